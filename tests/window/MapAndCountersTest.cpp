#include "AppTestSupport.h"

#include "MapOpener.h"
#include "MultiOptionControl.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>

namespace mivra::test {
namespace {

class RecordingOpener : public map::MapOpener {
public:
    bool open(const QString& path) override
    {
        opened << path;
        return true;
    }
    QStringList opened;
};

class MapAndCountersTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        m_previousFolder = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
    }
    void TearDown() override
    {
        QDir::setCurrent(m_previousFolder);
        MainWindowTest::TearDown();
    }
    QString label(const char* name) const { return m_window->findChild<QLabel*>(QLatin1String(name))->text(); }
    void click(const char* name) { QTest::mouseClick(m_window->findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton); }

    QString m_previousFolder;
    RecordingOpener m_opener;
};

TEST_F(MapAndCountersTest, SearchWithAnEmptyBoxRunsTheCountersTheSelectorNames)
{
    writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
    addContact(QStringLiteral("2026-01-02"), QStringLiteral("OK1AA"), QStringLiteral("JO60AA"), QStringLiteral("144"));
    addContact(QStringLiteral("2026-01-03"), QStringLiteral("OK1BB"), QStringLiteral("JO60BB"), QStringLiteral("144"));
    addContact(QStringLiteral("2026-01-04"), QStringLiteral("OK1CC"), QStringLiteral("JO70"), QStringLiteral("144"));
    addContact(QStringLiteral("2026-01-05"), QStringLiteral("OK1DD"), QStringLiteral("JO71"), QStringLiteral("432"));
    QSqlQuery(m_log->database()).exec(QStringLiteral("UPDATE logtab SET DXCC = 'OK Czech Republic', QSL = 'Q' WHERE Grid = 'JO70'"));
    openWindow();

    m_window->multiOption()->setOptionSelected(SearchByGrid);
    click("Search");
    ASSERT_TRUE(waitForCounters());
    EXPECT_EQ(label("Sqw"), QStringLiteral("2"));
    EXPECT_EQ(label("SQc"), QStringLiteral("1"));
    EXPECT_EQ(label("dxw"), QString());

    m_window->multiOption()->setOptionSelected(SearchByCallsign);
    click("Search");
    ASSERT_TRUE(waitForCounters());
    EXPECT_EQ(label("dxw"), QStringLiteral("1"));
    EXPECT_EQ(label("DXc"), QStringLiteral("1"));

    // A search text searches; a band change blanks the counters.
    m_window->findChild<QLineEdit*>(QStringLiteral("txtStr"))->setText(QStringLiteral("OK1"));
    m_window->multiOption()->setOptionSelected(SearchByGrid);
    QSqlQuery(m_log->database()).exec(QStringLiteral("UPDATE logtab SET QSL = 'Q'"));
    click("Search");
    EXPECT_EQ(label("SQc"), QStringLiteral("1"));
    m_window->bandButton(11)->click();
    EXPECT_EQ(label("Sqw"), QString());
    EXPECT_TRUE(m_messages.informed.isEmpty()) << m_messages.informed.join(u'|').toStdString();
}

TEST_F(MapAndCountersTest, GdThenTheGlobeButtonWriteAndOpenTheMap)
{
    writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
    addContact(QStringLiteral("2026-01-02"), QStringLiteral("OK1AA"), QStringLiteral("JO60AA"), QStringLiteral("144"));
    addContact(QStringLiteral("2026-01-03"), QStringLiteral("OK1BB"), QStringLiteral("JO60BB"), QStringLiteral("144"));
    addContact(QStringLiteral("2026-01-04"), QStringLiteral("OK1CC"), QStringLiteral("JO71"), QStringLiteral("432"));
    openWindow();
    m_window->setMapOpener(&m_opener);

    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("gridDEC")), Qt::LeftButton);
    EXPECT_EQ(m_messages.informed, QStringList{QStringLiteral("2 Dataset from backup.sqlite imported ")});
    EXPECT_EQ(label("Sqw"), QStringLiteral("1"));

    click("GoogleEarth");
    const QString map = QDir(m_dir.path()).filePath(QStringLiteral("earth.kml"));
    EXPECT_EQ(m_opener.opened, QStringList{map});
    QFile file(map);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_EQ(text.count(QStringLiteral("<Placemark><name>JO60")), 2);
    EXPECT_TRUE(text.contains(QStringLiteral("<name>DL1AAA 144 MHz wkd/cfd 1/</name>")));
    EXPECT_EQ(m_messages.informed.size(), 1);

    // A search text: the operator is told, nothing is opened.
    m_window->findChild<QLineEdit*>(QStringLiteral("txtStr"))->setText(QStringLiteral("OK1"));
    click("GoogleEarth");
    EXPECT_EQ(m_opener.opened.size(), 1);
    ASSERT_EQ(m_messages.informed.size(), 2);
    EXPECT_TRUE(m_messages.informed.last().contains(QStringLiteral("search box")));
}

// The own locator may be emptied in the main window: GD and the globe button then have no position to start
// from. They say so and change nothing, instead of storing and mapping contacts without coordinates.
TEST_F(MapAndCountersTest, WithoutAnOwnLocatorGdAndTheGlobeButtonChangeNothing)
{
    writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
    addContact(QStringLiteral("2026-01-02"), QStringLiteral("OK1AA"), QStringLiteral("JO60AA"), QStringLiteral("144"));
    openWindow();
    m_window->setMapOpener(&m_opener);
    click("gridDEC");
    const auto stored = [this] {
        QSqlQuery query(QStringLiteral("SELECT GEdata, GEgridXY, GEpoly FROM logtab"), m_log->database());
        return query.next() ? query.value(0).toString() + u'|' + query.value(1).toString() + u'|' + query.value(2).toString()
                            : QString();
    };
    const QString prepared = stored();
    ASSERT_FALSE(prepared.section(u'|', 1, 1).isEmpty()) << prepared.toStdString();
    m_messages.informed.clear();

    for (const QString& ownLocator : {QString(), QStringLiteral("JO6")}) {
        m_window->findChild<QLineEdit*>(QStringLiteral("MyGrid"))->setText(ownLocator);
        click("gridDEC");
        click("GoogleEarth");
        EXPECT_EQ(stored().toStdString(), prepared.toStdString()) << ownLocator.toStdString();
        EXPECT_TRUE(m_opener.opened.isEmpty());
        EXPECT_FALSE(QFile::exists(QDir(m_dir.path()).filePath(QStringLiteral("earth.kml"))));
        ASSERT_EQ(m_messages.informed.size(), 2) << m_messages.informed.join(u'|').toStdString();
        for (const QString& message : m_messages.informed)
            EXPECT_TRUE(message.contains(QStringLiteral("My Grid"))) << message.toStdString();
        m_messages.informed.clear();
    }
}

} // namespace
// The counters run off the window's thread (CounterRunner); the window shows what its latest
// request counted.
using CountersInTheWindowTest = MainWindowTest;

TEST_F(CountersInTheWindowTest, TheWindowShowsOnlyTheFiguresOfItsLatestRequestAndWritesTheOutlines)
{
    writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
    addContact(QStringLiteral("2026-01-02"), QStringLiteral("OK1AA"), QStringLiteral("JO60AA"), QStringLiteral("144"));
    addContact(QStringLiteral("2026-01-03"), QStringLiteral("OK1BB"), QStringLiteral("JO70BB"), QStringLiteral("144"));
    addContact(QStringLiteral("2026-01-04"), QStringLiteral("OK1CC"), QStringLiteral("JO71"), QStringLiteral("432"));
    QSqlQuery(m_log->database()).exec(QStringLiteral("UPDATE logtab SET QSL = 'Q' WHERE Grid = 'JO70BB'"));
    const auto label = [this](const char* name) { return m_window->findChild<QLabel*>(QLatin1String(name))->text(); };
    const auto outlinesStored = [this] {
        QSqlQuery query(QStringLiteral("SELECT count(*) FROM logtab WHERE GEpoly <> ''"), m_log->database());
        return query.next() ? query.value(0).toInt() : -1;
    };
    openWindow();
    m_window->multiOption()->setOptionSelected(SearchByGrid);
    auto* search = m_window->findChild<QPushButton*>(QStringLiteral("Search"));
    // A band change while the 144 MHz squares are counted: they never show.
    search->click();
    m_window->bandButton(11)->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_window->isBusy(); }, 10000));
    settle();
    EXPECT_EQ(label("Sqw"), QString());
    EXPECT_EQ(label("SQc"), QString());

    // A second Search supersedes the first; the outlines go in with the figures shown.
    search->click();
    search->click();
    ASSERT_TRUE(waitForCounters());
    EXPECT_EQ(label("Sqw"), QStringLiteral("1"));
    EXPECT_EQ(label("SQc"), QString());
    EXPECT_EQ(outlinesStored(), 1);
    EXPECT_TRUE(m_messages.informed.isEmpty()) << m_messages.informed.join(u'|').toStdString();
}

} // namespace mivra::test
