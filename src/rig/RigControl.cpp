#include "RigControl.h"

#include "RigPoller.h"

#include <QThread>

#include <clocale>

namespace mivra::rig {

RigControl::RigControl(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<RigReading>();
    // Hamlib switches LC_NUMERIC to "C" and back around its own number parsing, on the polling
    // thread, keeping a pointer to the old name that the switch frees unless the name is the
    // static "C". The program formats numbers through QLocale, never the C locale, so the C
    // numeric locale is set to "C" here, on the caller's thread, before any polling starts.
    std::setlocale(LC_NUMERIC, "C");
}

RigControl::~RigControl()
{
    stop();
}

void RigControl::start(const RigSettings& settings, int intervalMs)
{
    stop();
    if (!settings.enabled)
        return;
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("rig"));
    m_poller = new RigPoller(settings, intervalMs);
    m_poller->moveToThread(m_thread);
    connect(m_thread, &QThread::started, m_poller, &RigPoller::start);
    connect(m_thread, &QThread::finished, m_poller, &QObject::deleteLater);
    connect(m_poller, &RigPoller::polled, this, &RigControl::polled);
    m_thread->start();
}

void RigControl::stop()
{
    if (!m_poller)
        return;
    disconnect(m_poller, nullptr, this, nullptr);
    // The poller closes the radio as it is deleted, on its own thread, when that thread ends.
    m_thread->quit();
    if (m_thread->wait(2000)) {
        delete m_thread;
    } else {
        // Stuck in a connect to a host that does not answer: it ends by itself later, and is not waited for.
        connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    }
    m_thread = nullptr;
    m_poller = nullptr;
}

} // namespace mivra::rig
