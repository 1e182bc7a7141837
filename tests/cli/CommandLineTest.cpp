#include "ExchangeCommandLine.h"
#include "LogTestSupport.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace mivra {
namespace {

// What a command printed on one of its streams.
class Capture {
public:
    Capture()
        : m_file(std::tmpfile())
    {
    }
    ~Capture() { std::fclose(m_file); }
    FILE* stream() const { return m_file; }
    QString text() const
    {
        std::fflush(m_file);
        std::rewind(m_file);
        QByteArray bytes;
        char buffer[4096];
        for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, m_file)) > 0;)
            bytes.append(buffer, qsizetype(read));
        return QString::fromLocal8Bit(bytes);
    }

private:
    FILE* m_file;
};

TEST(CommandLine, FindsTheCommandAfterTheOptions)
{
    struct Case {
        QStringList arguments;
        bool command;
    };
    const Case cases[] = {
        {{u"mivra"_qs, u"export-adif"_qs, u"log.adi"_qs}, true},
        {{u"mivra"_qs, u"--data-dir"_qs, u"export-adif"_qs}, false}, // the folder's name, not a command
        {{u"mivra"_qs, u"--data-dir"_qs, u"/tmp/d"_qs, u"import-adif"_qs, u"f.adi"_qs}, true},
        {{u"mivra"_qs, u"--band"_qs, u"2m"_qs, u"backup"_qs}, true},
        {{u"mivra"_qs, u"--"_qs, u"restore"_qs, u"f"_qs}, true},
        {{u"mivra"_qs, u"--rig"_qs, u"1:/dev/ttyUSB0"_qs}, false},
        {{u"mivra"_qs}, false},
        {{u"mivra"_qs, u"Export-ADIF"_qs}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(namesExchangeCommand(c.arguments), c.command) << c.arguments.join(u' ').toStdString();
}

// The commands run on the log of a data folder with no window system at all.
TEST(CommandLine, ExportsWithoutAWindowSystem)
{
    ASSERT_TRUE(QCoreApplication::instance());
    EXPECT_FALSE(QCoreApplication::instance()->inherits("QGuiApplication"));
    QTemporaryDir dir;
    {
        auto log = test::createSmallLog(dir);
        ASSERT_TRUE(log);
        Contact qso;
        qso.date = u"2026-06-06"_qs;
        qso.gmt = u"14:05"_qs;
        qso.callsign = u"OK1KIR"_qs;
        qso.band = u"144"_qs;
        qso.mode = u"SSB"_qs;
        ASSERT_TRUE(log->saveQso(qso));
    }
    const QString folder = dir.path();
    const ExchangeEnvironment environment{[folder](const QString&) { return folder; },
                                          u"backup.sqlite"_qs,
                                          dir.filePath(u"cty.csv"_qs),
                                          dir.filePath(u"Quovan.txt"_qs),
                                          {}};
    const QString file = dir.filePath(u"out.adi"_qs);
    {
        Capture out, err;
        EXPECT_EQ(runExchangeCommand({u"mivra"_qs, u"export-adif"_qs, file}, environment, out.stream(), err.stream()),
                  0)
            << err.text().toStdString();
        EXPECT_EQ(out.text(), QStringLiteral("Exported 1 contacts to %1.\n").arg(QDir::toNativeSeparators(file)));
        QFile written(file);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_TRUE(written.readAll().contains("<CALL:6>OK1KIR"));
    }
    {
        Capture out, err;
        const QString edi = dir.filePath(u"out.edi"_qs);
        EXPECT_EQ(runExchangeCommand({u"mivra"_qs, u"export-edi"_qs, edi}, environment, out.stream(), err.stream()), 1);
        EXPECT_TRUE(err.text().contains(u"needs --band, --from and --to"_qs)) << err.text().toStdString();
        EXPECT_FALSE(QFileInfo::exists(edi));
    }
    {
        // restore given a symbolic link to the log: refused, the log as it was.
        Capture out, err;
        const QString link = dir.filePath(u"link.sqlite"_qs);
        ASSERT_TRUE(QFile::link(dir.filePath(u"backup.sqlite"_qs), link));
        const QByteArray before = test::fileHash(dir.filePath(u"backup.sqlite"_qs));
        EXPECT_EQ(runExchangeCommand({u"mivra"_qs, u"restore"_qs, link}, environment, out.stream(), err.stream()), 1);
        EXPECT_TRUE(err.text().contains(u"it is the log itself"_qs)) << err.text().toStdString();
        EXPECT_EQ(test::fileHash(dir.filePath(u"backup.sqlite"_qs)), before);
    }
    {
        // The log itself is never a target.
        Capture out, err;
        const QByteArray before = test::fileHash(dir.filePath(u"backup.sqlite"_qs));
        EXPECT_EQ(runExchangeCommand({u"mivra"_qs, u"export-adif"_qs, dir.filePath(u"backup.sqlite"_qs)}, environment,
                                     out.stream(), err.stream()),
                  1);
        EXPECT_EQ(test::fileHash(dir.filePath(u"backup.sqlite"_qs)), before);
    }
}

} // namespace
} // namespace mivra
