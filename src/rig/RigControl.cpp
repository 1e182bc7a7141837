#include "RigControl.h"

#include "RigPoller.h"

#include "WorkerThread.h"

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
    // Not work a close waits for: the polling goes on until it is stopped.
    m_worker = new WorkerThread(QStringLiteral("rig"), nullptr, this);
    m_worker->setStopWait(kStopWaitMs);
    m_poller = new RigPoller(settings, intervalMs, m_leftForGood);
    connect(m_poller, &RigPoller::polled, this, &RigControl::onPolled);
    m_worker->adopt(m_poller);
    m_silence->start(m_intervalMs + kAnswerMs);
    QMetaObject::invokeMethod(m_poller, &RigPoller::start, Qt::QueuedConnection);
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
    // The poller closes the radio as it is deleted, on its own thread, when that thread ends; a
    // thread stuck in the radio or in a connect to a host that does not answer ends by itself
    // later (or, left for good, stays until the program ends) and is not waited for.
    delete m_worker;
    m_worker = nullptr;
    m_poller = nullptr;
}

} // namespace mivra::rig
