#include "RigPoller.h"

#include "HamlibConnection.h"

#include <QTimer>

#include <chrono>
#include <thread>

namespace mivra::rig {

RigPoller::RigPoller(RigSettings settings, int intervalMs, std::shared_ptr<std::atomic_bool> leftForGood)
    : m_settings(std::move(settings))
    , m_intervalMs(intervalMs)
    , m_leftForGood(std::move(leftForGood))
{
}

void RigPoller::stayIfLeft() const
{
    while (m_leftForGood && m_leftForGood->load())
        std::this_thread::sleep_for(std::chrono::hours(1));
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
    stayIfLeft();
    std::optional<RigReading> reading = m_connection ? m_connection->read() : std::nullopt;
    stayIfLeft();
    if (!reading) {
        // Closed, so that the next poll opens it anew.
        m_connection.reset();
        reading = RigReading{};
    }
    emit polled(*reading);
}

} // namespace mivra::rig
