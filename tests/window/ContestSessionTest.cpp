#include "AppTestSupport.h"

#include "ContestSession.h"
#include "ContestSettings.h"
#include "EntryRow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

namespace mivra::test {
namespace {

class ContestSessionTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
        m_log->switchPatternsToRunningForm();
    }
    QString iniPath() const { return m_dir.filePath(QStringLiteral("mivra.ini")); }
    // The contest of the fixed clock's day on 144, as an operator writes it by hand.
    void writeContest(const char* start, const char* end, const char* band = "144")
    {
        // QSettings knows a file again by its size and time: let the clock move on between writes.
        QTest::qSleep(30);
        QFile ini(iniPath());
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[contest]\nname=Test\nstart=%1\nend=%2\nband=%3\n")
                      .arg(QLatin1String(start), QLatin1String(end), QLatin1String(band))
                      .toLatin1());
    }
    void addSent(const char* time, const char* call, const char* grid, const char* band, const char* rsts)
    {
        Contact qso;
        qso.date = QStringLiteral("2026-12-07");
        qso.gmt = QString::fromLatin1(time);
        qso.callsign = QString::fromLatin1(call);
        qso.locator = QString::fromLatin1(grid);
        qso.band = QString::fromLatin1(band);
        qso.rsts = QString::fromLatin1(rsts);
        qso.mode = QStringLiteral("SSB");
        ASSERT_TRUE(m_log->saveQso(qso));
    }
    ContestSession& contest() const { return *m_window->contest(); }
};

TEST_F(ContestSessionTest, WithoutContestNothingChanges)
{
    addSent("20:00", "DL1ABC", "JO31MM", "144", "59001");
    openWindow();
    pressNew();
    EXPECT_EQ(entryField("Rss")->text(), QStringLiteral("59"));
    enterText("Ca", "DL1ABC");
    EXPECT_TRUE(contest().dupe()->text().isEmpty());
    EXPECT_TRUE(contest().score()->text().isEmpty());
    EXPECT_FALSE(QFile::exists(iniPath()));
}

TEST_F(ContestSessionTest, SerialDupeAndScoreWhileTheSpanRuns)
{
    // 59002 was deleted: the next is one above the highest, never a repeat. Other bands and
    // contacts before the span do not count.
    addSent("20:00", "DL1ABC", "JO31MM", "144", "59001");
    addSent("20:30", "OK1KIR", "JO70FD", "144", "59003");
    addSent("20:40", "DL5X", "JO62QM", "432", "59050");
    addSent("19:59", "DL6X", "JO62QM", "144", "59070");
    writeContest("2026-12-07T20:00", "2026-12-08T20:00");
    openWindow();
    EXPECT_EQ(contest().score()->text().left(13), QStringLiteral("Test: 2 QSOs "));
    EXPECT_TRUE(contest().score()->text().endsWith(QStringLiteral("best DL1ABC 447 km")))
        << contest().score()->text().toStdString();

    pressNew();
    EXPECT_EQ(entryField("Rss")->text(), QStringLiteral("59004"));
    enterText("Ca", "DL1ABC/P");
    EXPECT_EQ(contest().dupe()->text(), QStringLiteral("DUPE"));
    entryField("Ca")->setText(QStringLiteral("DL2XYZ"));
    EXPECT_TRUE(contest().dupe()->text().isEmpty());
    enterText("Ca", "");
    EXPECT_TRUE(contest().dupe()->text().isEmpty());
}

TEST_F(ContestSessionTest, OnlyWhileTheSpanRunsAndOnItsBand)
{
    struct Case {
        const char* start;
        const char* end;
        const char* band;
        bool running;
    };
    // The fixed clock says 2026-12-07 21:05:42 UTC.
    for (const Case& c : {Case{"2026-12-07T21:05", "2026-12-07T21:06", "144", true},
                          Case{"2026-12-07T21:06", "2026-12-08T21:06", "144", false},
                          Case{"2026-12-06T21:05", "2026-12-07T21:05", "144", false},
                          Case{"2026-12-07T20:00Z", "2026-12-07 22:00", "432", true},
                          Case{"2026-12-07T20:00", "2026-12-07T22:00", "14", false},
                          Case{"2026-12-07T22:00", "2026-12-07T20:00", "144", false},
                          Case{"tomorrow", "2026-12-07T22:00", "144", false}}) {
        writeContest(c.start, c.end, c.band);
        EXPECT_EQ(readContestSettings(iniPath()).isRunning(m_clock.now), c.running) << c.start << " " << c.band;
    }
    // Running on 432 while 144 is selected: New on 144 is no contest contact.
    writeContest("2026-12-07T20:00", "2026-12-07T22:00", "432");
    openWindow();
    pressNew();
    EXPECT_EQ(entryField("Rss")->text(), QStringLiteral("59"));
}

TEST_F(ContestSessionTest, WrittenKeepsTheOtherSections)
{
    {
        QSettings ini(iniPath(), QSettings::IniFormat);
        ini.setValue(QStringLiteral("rig/model"), 3073);
    }
    ContestSettings written{QStringLiteral("IARU"),
                            contestTime(QStringLiteral("2026-06-06T14:00")),
                            contestTime(QStringLiteral("2026-06-07T14:00")),
                            QStringLiteral("1296"),
                            QStringLiteral("Hill"),
                            QStringLiteral("SINGLE")};
    QString error;
    ASSERT_TRUE(writeContestSettings(iniPath(), written, &error));
    const ContestSettings read = readContestSettings(iniPath());
    EXPECT_EQ(read.name, written.name);
    EXPECT_EQ(read.start, written.start);
    EXPECT_EQ(read.end, written.end);
    EXPECT_EQ(read.band, written.band);
    EXPECT_EQ(read.station, written.station);
    EXPECT_EQ(read.section, written.section);
    QFile file(iniPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("start=2026-06-06T14:00")) << text.toStdString();
    EXPECT_TRUE(text.contains("model=3073"));
    file.close();
    // Ended: the section goes, the rest stays.
    ASSERT_TRUE(writeContestSettings(iniPath(), {}, &error));
    EXPECT_TRUE(readContestSettings(iniPath()).band.isEmpty());
    EXPECT_EQ(QSettings(iniPath(), QSettings::IniFormat).value(QStringLiteral("rig/model")).toInt(), 3073);
}

} // namespace
} // namespace mivra::test
