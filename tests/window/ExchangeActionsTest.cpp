#include "AppTestSupport.h"

#include "AdifFile.h"
#include "ContestSettings.h"
#include "ExchangeActions.h"
#include "FileChooser.h"
#include "LogGrid.h"
#include "MultiOptionControl.h"
#include "ProcessLocks.h"
#include "SqliteConnection.h"

#include <QAction>
#include <QDir>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace mivra::test {
namespace {

class ExchangeActionsTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        writeSettings(QStringLiteral("DL7ABC"), QStringLiteral("JO62QM"));
        addContact(QStringLiteral("2026-06-06"), QStringLiteral("DL1AA"), QStringLiteral("JO62RN"), QStringLiteral("144"),
                   QStringLiteral("14:05"));
        addContact(QStringLiteral("2026-06-06"), QStringLiteral("OK1KIR"), QStringLiteral("JO70FD"), QStringLiteral("144"),
                   QStringLiteral("15:10"));
        addContact(QStringLiteral("2026-06-06"), QStringLiteral("DL2BB"), QStringLiteral("JO50VI"), QStringLiteral("432"),
                   QStringLiteral("16:00"));
        openWindow();
        m_window->exchangeActions()->setFileChooser(
            [this](QWidget*, const QString& caption, const QString&, const QString&, bool save) {
                chosen << caption + (save ? QStringLiteral(" save") : QStringLiteral(" open"));
                return nextFile;
            });
    }
    // The grid's context-menu entry with this caption.
    void trigger(const QString& caption)
    {
        for (QAction* action : m_window->grid()->view()->actions()) {
            if (action->text() == caption) {
                action->trigger();
                // An import ends on its worker thread.
                EXPECT_TRUE(QTest::qWaitFor([this] { return !m_window->isBusy(); }, 20000));
                QCoreApplication::processEvents(); // what it has to tell
                return;
            }
        }
        ADD_FAILURE() << "no entry " << caption.toStdString();
    }
    QStringList callsIn(const QString& adiPath)
    {
        QFile file(adiPath);
        if (!file.open(QIODevice::ReadOnly))
            return {QStringLiteral("<no file>")};
        QStringList calls;
        for (const adif::AdifRecord& record : adif::readAdif(file.readAll()))
            calls << record.value("CALL");
        return calls;
    }
    QStringList chosen;
    QString nextFile;
};

TEST_F(ExchangeActionsTest, ExportsTheRowsInViewAndImportsIntoTheGrid)
{
    // The 144 band is selected: its rows, then the rows of a search.
    nextFile = m_dir.filePath(QStringLiteral("band.adi"));
    trigger(QStringLiteral("Export ADIF..."));
    EXPECT_EQ(callsIn(nextFile), (QStringList{QStringLiteral("DL1AA"), QStringLiteral("OK1KIR")}));
    ASSERT_EQ(m_messages.informed.size(), 1);
    EXPECT_EQ(m_messages.informed.last(), QStringLiteral("Exported 2 contacts to %1.").arg(nextFile));

    m_window->multiOption()->setOptionSelected(1);
    m_window->findChild<QLineEdit*>(QStringLiteral("txtStr"))->setText(QStringLiteral("ok"));
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("Search")), Qt::LeftButton);
    nextFile = m_dir.filePath(QStringLiteral("search.adi"));
    trigger(QStringLiteral("Export ADIF..."));
    EXPECT_EQ(callsIn(nextFile), QStringList{QStringLiteral("OK1KIR")});

    // Import: the grid shows the new row at once; the message gives the counts.
    nextFile = m_dir.filePath(QStringLiteral("new.adi"));
    QFile adi(nextFile);
    ASSERT_TRUE(adi.open(QIODevice::WriteOnly));
    adi.write("<CALL:5>OK2AB<QSO_DATE:8>20260607<TIME_ON:4>0800<BAND:2>2m<GRIDSQUARE:6>JN89AA<EOR>"
                        "<CALL:5>DL1AA<QSO_DATE:8>20260606<TIME_ON:4>1405<BAND:2>2m<EOR>"
                        "<CALL:5>OK3AB<QSO_DATE:8>20260607<TIME_ON:4>0800<BAND:2>2m<GRIDSQUARE:2>JN<EOR>");
    adi.close();
    trigger(QStringLiteral("Import ADIF..."));
    // A 2-character locator is valid ADIF: stored without a locator, and said.
    EXPECT_EQ(m_window->grid()->caption(), QStringLiteral("4"));
    EXPECT_EQ(m_messages.informed.last(),
              QStringLiteral("Imported 2, skipped 1 (already in the log), refused 0.\n"
                             "Record 3 (OK3AB): locator JN has only 2 characters; stored without a locator"));

    // A cancelled dialog does nothing.
    nextFile.clear();
    const int messages = int(m_messages.informed.size());
    trigger(QStringLiteral("Import ADIF..."));
    EXPECT_EQ(m_messages.informed.size(), messages);
    EXPECT_EQ(chosen, (QStringList{QStringLiteral("Export ADIF save"), QStringLiteral("Export ADIF save"),
                                   QStringLiteral("Import ADIF open"), QStringLiteral("Import ADIF open")}));
}

TEST_F(ExchangeActionsTest, ExportsTheBandAsAContestLog)
{
    // The station's details of the last contest come from the data folder and go back there.
    const QString stationFile = m_dir.filePath(QStringLiteral("edi-station.txt"));
    QFile station(stationFile);
    ASSERT_TRUE(station.open(QIODevice::WriteOnly));
    station.write("RName=J\xc3\xbcrgen\nSAnte=9 el.\n");
    station.close();
    EdiOptions asked;
    m_window->exchangeActions()->setEdiAsker([&](QWidget*, EdiOptions* options) {
        asked = *options;
        options->contestName = QStringLiteral("June Contest");
        options->station.insert(QStringLiteral("SPowe"), QStringLiteral("750"));
        return true;
    });
    // The own locator as the window shows it, though not yet stored in the settings.
    m_window->findChild<QLineEdit*>(QStringLiteral("MyGrid"))->setText(QStringLiteral("JO62RN"));
    nextFile = m_dir.filePath(QStringLiteral("june.edi"));
    trigger(QStringLiteral("Export EDI..."));
    // The span defaults to the rows in view.
    EXPECT_EQ(asked.bandValue, QStringLiteral("144"));
    EXPECT_EQ(asked.from, QDateTime(QDate(2026, 6, 6), QTime(14, 5), QTimeZone::utc()));
    EXPECT_EQ(asked.to, QDateTime(QDate(2026, 6, 6), QTime(15, 11), QTimeZone::utc()));
    EXPECT_EQ(asked.own.locator, QStringLiteral("JO62RN"));
    QFile file(nextFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray edi = file.readAll();
    EXPECT_TRUE(edi.startsWith("[REG1TEST;1]\r\nTName=June Contest\r\n"));
    EXPECT_TRUE(edi.contains("\r\n[QSORecords;2]\r\n260606;1405;DL1AA;1;59;;59;;;JO62RN;1;;N;;\r\n"));
    EXPECT_EQ(asked.station.value(QStringLiteral("RName")), QStringLiteral("Jürgen"));
    EXPECT_TRUE(edi.contains("\r\nRName=Juergen\r\n"));
    EXPECT_TRUE(edi.contains("\r\nSAnte=9 el.\r\nSAntH=\r\n"));
    ASSERT_TRUE(station.open(QIODevice::ReadOnly));
    const QByteArray kept = station.readAll();
    EXPECT_TRUE(kept.contains("RName=J\xc3\xbcrgen\n") && kept.contains("SPowe=750\n")) << kept.toStdString();
    station.close();

    // With "All" selected the dialog offers the last export again: name, band and span.
    QTest::mouseClick(m_window->bandButton(21), Qt::LeftButton);
    asked = EdiOptions{};
    nextFile = m_dir.filePath(QStringLiteral("again.edi"));
    trigger(QStringLiteral("Export EDI..."));
    EXPECT_EQ(asked.contestName, QStringLiteral("June Contest"));
    EXPECT_EQ(asked.bandValue, QStringLiteral("144"));
    EXPECT_EQ(asked.from, QDateTime(QDate(2026, 6, 6), QTime(14, 5), QTimeZone::utc()));
    EXPECT_EQ(asked.to, QDateTime(QDate(2026, 6, 6), QTime(15, 11), QTimeZone::utc()));

    // Without a last export and with "All" selected there is no band to export.
    QString error;
    ASSERT_TRUE(writeEdiDefaults(m_dir.filePath(QStringLiteral("mivra.ini")), ContestSettings{}, &error))
        << error.toStdString();
    const int asks = int(m_messages.informed.size());
    trigger(QStringLiteral("Export EDI..."));
    EXPECT_EQ(m_messages.informed.size(), asks + 1);
    EXPECT_EQ(m_messages.informed.last(), QStringLiteral("Please select Band"));
}

TEST(FileChooser, ShowsTheLogsFilesWithoutOpeningThem)
{
    // The file dialog lists the data folder while the log is in the middle of a write.
    application();
    QTemporaryDir dir;
    const QString path = dir.filePath(u"backup.sqlite"_qs);
    // A database whose name has no ending: only a look inside would know it.
    const QString bare = dir.filePath(u"bare"_qs);
    ASSERT_TRUE(SqliteConnection(bare, SqliteConnection::Mode::ReadWriteCreate).exec(u"CREATE TABLE t (a)"_qs));
    SqliteConnection log(path, SqliteConnection::Mode::ReadWriteCreate);
    ASSERT_TRUE(log.exec(u"CREATE TABLE logtab (Callsign); BEGIN IMMEDIATE; INSERT INTO logtab VALUES ('OK1KIR')"_qs));
    ASSERT_FALSE(anotherProcessCouldWrite(path));

    const EndingIconProvider icons;
    const QFileInfoList files = QDir(dir.path()).entryInfoList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(files.size(), 3) << "the log, its journal, the bare database";
    for (const QFileInfo& file : files) {
        EXPECT_FALSE(icons.type(file).isEmpty()) << file.fileName().toStdString();
        icons.icon(file);
    }
    EXPECT_FALSE(anotherProcessCouldWrite(path));
    EXPECT_EQ(icons.type(QFileInfo(bare)), QMimeDatabase().mimeTypeForName(u"application/octet-stream"_qs).comment());
}

} // namespace
} // namespace mivra::test
