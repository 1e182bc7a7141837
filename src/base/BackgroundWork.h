#pragma once

#include <QObject>

#include <functional>

namespace mivra {

// The work under way behind the window: the jobs of the worker threads, and the runs on the
// window's thread that let events through while they write (a progress dialog). Closing the
// program waits on this one thing: whenIdle().
class BackgroundWork : public QObject {
    Q_OBJECT
public:
    // Work under way for as long as it lives.
    class Token {
    public:
        Token() = default;
        explicit Token(BackgroundWork* work);
        ~Token();
        Token(Token&& other) noexcept;
        Token& operator=(Token&& other) noexcept;
        Token(const Token&) = delete;
        Token& operator=(const Token&) = delete;

    private:
        BackgroundWork* m_work = nullptr;
    };

    explicit BackgroundWork(QObject* parent = nullptr);

    [[nodiscard]] Token begin() { return Token(this); }
    bool isIdle() const { return m_underWay == 0; }
    int underWay() const { return m_underWay; }
    // Calls then on context's thread once no work is under way: at once when none is, else from
    // the event loop after the last work ended.
    void whenIdle(QObject* context, std::function<void()> then);

signals:
    // The last work under way has ended.
    void idle();

private:
    void ended();

    int m_underWay = 0;
};

} // namespace mivra
