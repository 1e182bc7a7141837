#include "RigPoller.h"

#include "HamlibConnection.h"

#include <QTimer>

namespace mivra::rig {

RigPoller::RigPoller(RigSettings settings, int intervalMs)
    : m_settings(std::move(settings))
    , m_intervalMs(intervalMs)
{
}

RigPoller::~RigPoller() = default;

void RigPoller::start()
{
    m_timer = new QTimer(this);
    m_timer->setInterval(m_intervalMs);
    connect(m_timer, &QTimer::timeout, this, &RigPoller::poll);
    m_timer->start();
    poll();
}

void RigPoller::poll()
{
    if (!m_connection)
        m_connection = HamlibConnection::open(m_settings);
    std::optional<RigReading> reading = m_connection ? m_connection->read() : std::nullopt;
    if (!reading) {
        // Closed, so that the next poll opens it anew.
        m_connection.reset();
        reading = RigReading{};
    }
    emit polled(*reading);
}

} // namespace mivra::rig
