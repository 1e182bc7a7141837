#include "RigControl.h"

#include "RigPoller.h"

#include <QThread>
#include <QTimer>

#include <clocale>

namespace mivra::rig {

RigControl::RigControl(QObject* parent)
    : QObject(parent)
    , m_silence(new QTimer(this))
{
    qRegisterMetaType<RigReading>();
    // Hamlib switches LC_NUMERIC to "C" and back around its own number parsing, on the polling
    // thread, keeping a pointer to the old name that the switch frees unless the name is the
    // static "C". The program formats numbers through QLocale, never the C locale, so the C
    // numeric locale is set to "C" here, on the caller's thread, before any polling starts.
    std::setlocale(LC_NUMERIC, "C");
    m_silence->setSingleShot(true);
    connect(m_silence, &QTimer::timeout, this, [this] {
        // Said again each time the radio stays silent that long; a reading ends it.
        m_silence->start(m_intervalMs + kAnswerMs);
        emit polled(RigReading{});
    });
}

RigControl::~RigControl()
{
    // The program may be ending: a poll stuck in the radio must not run on into its end.
    stop(true);
}

void RigControl::start(const RigSettings& settings, int intervalMs)
{
    stop();
    if (!settings.enabled)
        return;
    m_intervalMs = intervalMs;
    m_leftForGood = std::make_shared<std::atomic_bool>(false);
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("rig"));
    m_poller = new RigPoller(settings, intervalMs, m_leftForGood);
    m_poller->moveToThread(m_thread);
    connect(m_thread, &QThread::started, m_poller, &RigPoller::start);
    connect(m_thread, &QThread::finished, m_poller, &QObject::deleteLater);
    connect(m_poller, &RigPoller::polled, this, &RigControl::onPolled);
    m_silence->start(m_intervalMs + kAnswerMs);
    m_thread->start();
}

void RigControl::onPolled(const RigReading& reading)
{
    m_silence->start(m_intervalMs + kAnswerMs);
    emit polled(reading);
}

void RigControl::stop()
{
    stop(false);
}

void RigControl::stop(bool forGood)
{
    m_silence->stop();
    if (!m_poller)
        return;
    disconnect(m_poller, nullptr, this, nullptr);
    // A poll under way that ends after this waits where it is until the program has ended, never
    // touching what the end takes apart; an idle poller just ends.
    if (forGood)
        m_leftForGood->store(true);
    // The poller closes the radio as it is deleted, on its own thread, when that thread ends.
    m_thread->quit();
    if (m_thread->wait(kStopWaitMs)) {
        delete m_thread;
    } else if (!forGood) {
        // Stuck in the radio or in a connect to a host that does not answer: it ends by itself
        // later, closing the radio, and is not waited for.
        connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    }
    m_thread = nullptr;
    m_poller = nullptr;
}

} // namespace mivra::rig
