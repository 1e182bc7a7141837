#include "BackgroundWork.h"

#include <utility>

namespace mivra {

BackgroundWork::Token::Token(BackgroundWork* work)
    : m_work(work)
{
    if (m_work)
        ++m_work->m_underWay;
}

BackgroundWork::Token::~Token()
{
    if (m_work)
        m_work->ended();
}

BackgroundWork::Token::Token(Token&& other) noexcept
    : m_work(std::exchange(other.m_work, nullptr))
{
}

BackgroundWork::Token& BackgroundWork::Token::operator=(Token&& other) noexcept
{
    if (this != &other) {
        if (m_work)
            m_work->ended();
        m_work = std::exchange(other.m_work, nullptr);
    }
    return *this;
}

BackgroundWork::BackgroundWork(QObject* parent)
    : QObject(parent)
{
}

void BackgroundWork::ended()
{
    if (--m_underWay == 0)
        emit idle();
}

void BackgroundWork::whenIdle(QObject* context, std::function<void()> then)
{
    if (isIdle()) {
        then();
        return;
    }
    connect(this, &BackgroundWork::idle, context, std::move(then),
            Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
}

} // namespace mivra
