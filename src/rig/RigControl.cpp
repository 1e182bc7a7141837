#include "RigControl.h"

#include "RigPoller.h"

namespace mivra::rig {

RigControl::RigControl(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<RigReading>();
    m_thread.setObjectName(QStringLiteral("rig"));
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
    m_poller = new RigPoller(settings, intervalMs);
    m_poller->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, m_poller, &RigPoller::start);
    connect(&m_thread, &QThread::finished, m_poller, &QObject::deleteLater);
    connect(m_poller, &RigPoller::polled, this, &RigControl::polled);
    m_thread.start();
}

void RigControl::stop()
{
    if (!m_poller)
        return;
    // The poller closes the radio as it is deleted, on its own thread, when that thread ends.
    m_thread.quit();
    m_thread.wait();
    m_poller = nullptr;
}

} // namespace mivra::rig
