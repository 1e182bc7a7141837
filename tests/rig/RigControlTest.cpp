#include "RigControl.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mivra::rig {
namespace {

// A local port nothing listens on.
quint16 freePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

// rigctld with Hamlib's dummy radio.
class Rigctld {
public:
    explicit Rigctld(quint16 port)
        : m_port(port)
    {
        m_process.start(QStringLiteral("rigctld"), {QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-t"),
                                                     QString::number(port)});
        m_process.waitForStarted();
        for (int i = 0; i < 50 && !command({QStringLiteral("f")}); ++i)
            QTest::qSleep(100);
    }
    ~Rigctld()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool command(const QStringList& arguments) const
    {
        QProcess rigctl;
        rigctl.start(QStringLiteral("rigctl"),
                     QStringList{QStringLiteral("-m"), QStringLiteral("2"), QStringLiteral("-r"),
                                 QStringLiteral("localhost:%1").arg(m_port)}
                         + arguments);
        return rigctl.waitForFinished(5000) && rigctl.exitCode() == 0;
    }

private:
    quint16 m_port;
    QProcess m_process;
};

// Waits for a reading that passes the test; the last reading seen.
RigReading awaitReading(QSignalSpy& spy, const std::function<bool(const RigReading&)>& wanted, int ms = 8000)
{
    QElapsedTimer timer;
    timer.start();
    RigReading last;
    while (timer.elapsed() < ms) {
        while (!spy.isEmpty()) {
            last = spy.takeFirst().at(0).value<RigReading>();
            if (wanted(last))
                return last;
        }
        spy.wait(200);
    }
    return last;
}

RigSettings netRigctl(quint16 port)
{
    RigSettings settings;
    settings.enabled = true;
    settings.port = QStringLiteral("localhost:%1").arg(port);
    return settings;
}

TEST(RigControl, ReadsTheRadioAndReconnectsAfterItWasGone)
{
    const quint16 port = freePort();
    auto rigctld = std::make_unique<Rigctld>(port);
    ASSERT_TRUE(rigctld->command({QStringLiteral("F"), QStringLiteral("1296200000")}));
    ASSERT_TRUE(rigctld->command({QStringLiteral("M"), QStringLiteral("CW"), QStringLiteral("0")}));

    RigControl control;
    QSignalSpy spy(&control, &RigControl::polled);
    control.start(netRigctl(port), 200);
    RigReading reading = awaitReading(spy, [](const RigReading& r) { return r.answering; });
    EXPECT_TRUE(reading.answering);
    EXPECT_DOUBLE_EQ(reading.frequencyHz, 1296200000.0);
    EXPECT_EQ(reading.mode, QStringLiteral("CW"));

    rigctld.reset();
    reading = awaitReading(spy, [](const RigReading& r) { return !r.answering; });
    EXPECT_FALSE(reading.answering);

    // Back on the same port with another frequency: read again without any help.
    rigctld = std::make_unique<Rigctld>(port);
    ASSERT_TRUE(rigctld->command({QStringLiteral("F"), QStringLiteral("144300000")}));
    reading = awaitReading(spy, [](const RigReading& r) { return r.answering && r.frequencyHz == 144300000.0; });
    EXPECT_TRUE(reading.answering);
    EXPECT_DOUBLE_EQ(reading.frequencyHz, 144300000.0);

    QElapsedTimer stopping;
    stopping.start();
    control.stop();
    EXPECT_LT(stopping.elapsed(), 2000);
    EXPECT_FALSE(control.isRunning());
}

TEST(RigControl, NoRadioNeverHoldsTheCaller)
{
    RigControl control;
    QSignalSpy spy(&control, &RigControl::polled);
    QElapsedTimer timer;
    timer.start();
    control.start(netRigctl(freePort()), 200);
    EXPECT_LT(timer.elapsed(), 100);
    bool polled = false;
    const RigReading reading = awaitReading(spy, [&polled](const RigReading&) { return polled = true; }, 5000);
    EXPECT_TRUE(polled);
    EXPECT_FALSE(reading.answering);

    // Not enabled: nothing polls.
    control.start(RigSettings{}, 200);
    EXPECT_FALSE(control.isRunning());
}

} // namespace
} // namespace mivra::rig
