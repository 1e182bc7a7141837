#include "PgTestServer.h"
#include "ServerSchema.h"
#include "ShareTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdlib>
#include <thread>

namespace mivra {
namespace {

using share::ShareEngine;
using share::SyncReport;
using test::PgTestServer;
using test::TestPosition;

constexpr const char* kChildVariable = "MIVRA_SHARE_TEST_CHILD";

// This test program started again as one position's sync (log|url|position|rows per batch): it
// syncs until nothing moves and exits 0, or 3 when the server could not be reached to the end.
[[maybe_unused]] const bool childRan = [] {
    const QByteArray job = qgetenv(kChildVariable);
    if (job.isEmpty())
        return false;
    const QStringList parts = QString::fromUtf8(job).split(u'|');
    ShareEngine engine(parts.value(0), parts.value(1), parts.value(2));
    engine.setBatchSize(parts.value(3).toInt());
    QString error;
    if (!engine.connect(&error)) {
        std::fprintf(stderr, "connect: %s\n", qPrintable(error));
        std::_Exit(3);
    }
    SyncReport report;
    do
        report = engine.sync();
    while (report.reached && (report.pushed > 0 || report.pulled > 0));
    if (!report.reached)
        std::fprintf(stderr, "sync: %s\n", qPrintable(report.error));
    std::_Exit(report.reached ? 0 : 3);
}();

class SyncProcess {
public:
    SyncProcess(const TestPosition& position, const QString& url, int batch)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kChildVariable),
                           QStringLiteral("%1|%2|%3|%4").arg(position.logPath(), url, position.name()).arg(batch));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start(QFileInfo(u"/proc/self/exe"_qs).symLinkTarget(), {});
        EXPECT_TRUE(m_process.waitForStarted());
    }
    ~SyncProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    bool running() const { return m_process.state() == QProcess::Running; }
    void kill9()
    {
        ::kill(pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished();
    }
    int wait()
    {
        m_process.waitForFinished(120000);
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

private:
    QProcess m_process;
};

qint64 serverCount(PgTestServer& server)
{
    share::PgConnection connection;
    if (!connection.open(server.url(u"club"_qs), nullptr))
        return -1;
    const share::PgResult count = connection.exec(u"SELECT count(*) FROM mivra_contact"_qs);
    return count.ok() ? count.text(0, 0).toLongLong() : -1;
}

// Waits up to 60 s for done; false when it never came.
template <typename Done> bool waitFor(Done done)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > 60000)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

constexpr int kContacts = 20000;

// A position killed in the middle of a push, and the server killed in the middle of a pull: after
// the restarts every log holds every contact once.
TEST(ShareCrash, KilledInTheMiddleOfAPushOrAPullEveryLogConverges)
{
    PgTestServer server;
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    ASSERT_NO_FATAL_FAILURE(test::makeSharedLog(server));
    TestPosition a(u"A"_qs);
    TestPosition b(u"B"_qs);
    a.log(0, kContacts);

    {
        SyncProcess pushing(a, server.url(u"club"_qs), 100);
        ASSERT_TRUE(waitFor([&] { return serverCount(server) >= 300 || !pushing.running(); }))
            << "sent: " << serverCount(server)
            << " queued: " << a.value(u"SELECT count(*) FROM share_outbox"_qs).toStdString();
        pushing.kill9();
    }
    const qint64 sentBeforeTheKill = serverCount(server);
    EXPECT_GT(sentBeforeTheKill, 0);
    EXPECT_LT(sentBeforeTheKill, kContacts) << "the push ended before it was killed";
    EXPECT_GT(a.value(u"SELECT count(*) FROM share_outbox"_qs).toInt(), 0);
    {
        SyncProcess again(a, server.url(u"club"_qs), 1000);
        EXPECT_EQ(again.wait(), 0);
    }
    EXPECT_EQ(serverCount(server), kContacts);
    EXPECT_EQ(a.value(u"SELECT count(*) FROM share_outbox"_qs), u"0"_qs);

    {
        SyncProcess pulling(b, server.url(u"club"_qs), 500);
        ASSERT_TRUE(
            waitFor([&] { return b.value(u"SELECT pulled FROM share_state"_qs).toInt() > 0 || !pulling.running(); }));
        server.kill9();
        EXPECT_EQ(pulling.wait(), 3) << "the pull ended before the server was killed";
    }
    const int pulledBeforeTheKill = b.value(u"SELECT count(*) FROM logtab"_qs).toInt();
    EXPECT_GT(pulledBeforeTheKill, 0);
    EXPECT_LT(pulledBeforeTheKill, kContacts);
    EXPECT_EQ(b.value(u"PRAGMA integrity_check"_qs), u"ok"_qs);

    ASSERT_TRUE(server.start()) << server.error().toStdString();
    ShareEngine atB(b.logPath(), server.url(u"club"_qs), u"B"_qs);
    SyncReport report;
    do
        report = atB.sync();
    while (report.reached && report.pulled > 0);
    EXPECT_TRUE(report.reached) << report.error.toStdString();
    EXPECT_EQ(report.queued, 0) << "pulled contacts are not sent back";
    EXPECT_EQ(b.contacts(), a.contacts());
    EXPECT_EQ(b.value(u"SELECT count(DISTINCT Uuid) FROM logtab"_qs), QString::number(kContacts));
    EXPECT_EQ(serverCount(server), kContacts);
}

} // namespace
} // namespace mivra
