#include "RigControl.h"

#include "RigPoller.h"

#include "WorkerThread.h"

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
    // Not work a close waits for: the polling goes on until it is stopped.
    m_worker = new WorkerThread(QStringLiteral("rig"), nullptr, this);
    m_poller = new RigPoller(settings, intervalMs);
    connect(m_poller, &RigPoller::polled, this, &RigControl::polled);
    m_worker->adopt(m_poller);
    QMetaObject::invokeMethod(m_poller, &RigPoller::start, Qt::QueuedConnection);
}

void RigControl::stop()
{
    if (!m_poller)
        return;
    disconnect(m_poller, nullptr, this, nullptr);
    // The poller closes the radio as it is deleted, on its own thread, when that thread ends; a
    // thread stuck in a connect to a host that does not answer ends by itself later.
    delete m_worker;
    m_worker = nullptr;
    m_poller = nullptr;
}

} // namespace mivra::rig
