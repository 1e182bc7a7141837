#include "ExchangeTestSupport.h"

#include "AdifExport.h"
#include "AdifImport.h"
#include "ConfirmationCount.h"
#include "ConfirmationImport.h"
#include "ContactGeometry.h"
#include "EdiExport.h"
#include "KmlDocument.h"
#include "Utf16View.h"
#include "WorkedCounters.h"

#include <QDir>
#include <QSqlQuery>

using namespace mivra;

namespace {

const OwnStation kOwn{u"OK1ABC"_qs, u"JO70FD"_qs};
const QDate kToday(2026, 7, 1);

// One contact of the log: its callsign, band, mode, date and time, paper state.
Contact contact(const char* call, const char* band, const char* mode, const char* date, const char* time,
                const char* qsl = "Y")
{
    Contact qso;
    qso.callsign = QLatin1String(call);
    qso.band = QLatin1String(band);
    qso.mode = QLatin1String(mode);
    qso.date = QLatin1String(date);
    qso.gmt = QLatin1String(time);
    qso.qsl = QLatin1String(qsl);
    qso.rsts = u"59"_qs;
    qso.rstr = u"59"_qs;
    return qso;
}

// A LoTW status report record as the service writes it.
QByteArray lotwRecord(const char* call, const char* band, const char* mode, const char* date, const char* time,
                      const char* received = "Y")
{
    const auto field = [](const char* name, const QByteArray& value) {
        return "<" + QByteArray(name) + ":" + QByteArray::number(value.size()) + ">" + value + "\n";
    };
    return field("CALL", call) + field("BAND", band) + field("MODE", mode) + field("QSO_DATE", date)
           + field("TIME_ON", time) + field("QSL_RCVD", received) + field("QSLRDATE", "2026-06-20") + "<eor>\n";
}

const QByteArray kLotwHeader = "ARRL Logbook of the World Status Report\nGenerated at 2026-06-20 08:00:00\n"
                               "<PROGRAMID:4>LoTW\n<eoh>\n";

class Confirmations : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString error;
        m_log = LogDatabase::open(m_dir.filePath(u"backup.sqlite"_qs), test::kRealCtyCsv, &error);
        ASSERT_TRUE(m_log) << error.toStdString();
        ASSERT_TRUE(m_log->switchPatternsToRunningForm());
    }
    QString file(const char* name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QLatin1String(name));
        test::writeFile(path, bytes);
        return path;
    }
    QStringList column(const char* sql) { return test::column0(*m_log, QLatin1String(sql)); }
    void save(const std::vector<Contact>& contacts)
    {
        QString error;
        ASSERT_TRUE(m_log->saveQsos(contacts, {}, &error)) << error.toStdString();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<LogDatabase> m_log;
};

// A LoTW report confirms contacts the way the service matches them, and adds none.
TEST_F(Confirmations, ALotwReportOnlyConfirmsMatchingContacts)
{
    const std::vector<Contact> log = {
        contact("OK1KIR", "144", "SSB", "2026-06-06", "14:05"),    // 1: report 4 min 59 s later
        contact("DL0GTH", "144", "CW", "2026-06-06", "14:10"),     // 2: report a second before the minute
        contact("SP6ABC", "432", "FT8", "2026-06-06", "23:50"),    // 3: report after midnight
        contact("OE3XYZ", "144", "USB", "2026-06-06", "15:00"),    // 4: LSB in the report, the same group
        contact("HA5AB", "144", "CW", "2026-06-06", "16:00"),      // 5: report in SSB: another group
        contact("S51A", "144", "CW", "2026-06-06", "17:00"),       // 6: report 31 minutes off
        contact("9A1A", "432", "CW", "2026-06-06", "18:00"),       // 7: report on another band
        contact("OK2AB", "144", "CW", "2026-06-06", "19:00", "T"), // 8: card in hand already
    };
    save(log);
    const QByteArray report
        = kLotwHeader + lotwRecord("OK1KIR", "2M", "SSB", "20260606", "140959")
          + lotwRecord("DL0GTH", "2m", "CW", "20260606", "140959")
          + lotwRecord("SP6ABC", "70CM", "FT8", "20260607", "000500")
          + lotwRecord("OE3XYZ", "2M", "LSB", "20260606", "1502") + lotwRecord("HA5AB", "2M", "SSB", "20260606", "1600")
          + lotwRecord("S51A", "2M", "CW", "20260606", "1731") + lotwRecord("9A1A", "2M", "CW", "20260606", "1800")
          + lotwRecord("OK2AB", "2M", "CW", "20260606", "1900") + lotwRecord("W1AW", "20M", "CW", "20260606", "1200")
          + lotwRecord("OK1KIR", "2M", "SSB", "20260606", "1405", "N");
    const QString path = file("lotwreport.adi", report);
    ASSERT_EQ(confirmationServiceOfFile(path), ConfirmationService::Lotw);

    const ConfirmationImportResult result = importConfirmations(*m_log, path, std::nullopt, kToday);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.records, 10);
    EXPECT_EQ(result.confirmed, 5);
    EXPECT_EQ(result.notConfirmations, 1);
    EXPECT_EQ(result.unmatched.size(), 4);
    EXPECT_TRUE(result.summary().contains(u"W1AW"_qs)) << result.summary().toStdString();
    EXPECT_EQ(column("SELECT count(*) FROM logtab"), QStringList{u"8"_qs});
    EXPECT_EQ(column("SELECT LotwRcvd || ' ' || LotwRdate FROM logtab ORDER BY ID"),
              (QStringList{u"Y 2026-06-20"_qs, u"Y 2026-06-20"_qs, u"Y 2026-06-20"_qs, u"Y 2026-06-20"_qs, u" "_qs,
                           u" "_qs, u" "_qs, u"Y 2026-06-20"_qs}));
    // Paper states untouched: a queued card stays queued.
    EXPECT_EQ(column("SELECT QSL FROM logtab ORDER BY ID"),
              (QStringList{u"Y"_qs, u"Y"_qs, u"Y"_qs, u"Y"_qs, u"Y"_qs, u"Y"_qs, u"Y"_qs, u"T"_qs}));
    // The strangers are listed beside the log.
    ASSERT_FALSE(result.unmatchedFile.isEmpty());
    EXPECT_EQ(QFileInfo(result.unmatchedFile).absolutePath(), QFileInfo(m_log->path()).absolutePath());
    QFile listed(result.unmatchedFile);
    ASSERT_TRUE(listed.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(listed.readAll());
    for (const char* call : {"W1AW", "HA5AB", "S51A", "9A1A"})
        EXPECT_TRUE(text.contains(QLatin1String(call))) << call;
    EXPECT_TRUE(text.contains(u"W1AW 2026-06-06 12:00:00 20M CW\n"_qs)) << text.toStdString();

    // The same report again confirms nothing more.
    const ConfirmationImportResult again = importConfirmations(*m_log, path, std::nullopt, kToday);
    EXPECT_EQ(again.confirmed, 0);
    EXPECT_EQ(again.alreadyConfirmed, 5);
}

// Only a committed run leaves a list of unmatched records under its name: what killed runs left
// hidden is removed, a failed run leaves none, and a list that cannot take its name is said while
// the confirmations stay.
TEST_F(Confirmations, OnlyACommittedRunLeavesAListOfUnmatchedRecords)
{
    save({contact("OK1KIR", "144", "SSB", "2026-06-06", "14:05")});
    const QString report = file("lotw.adi", kLotwHeader + lotwRecord("OK1KIR", "2M", "SSB", "20260606", "1405")
                                                + lotwRecord("W1AW", "20M", "CW", "20260606", "1200"));
    const auto lists
        = [this] { return QDir(m_dir.path()).entryList({u"*unmatched*"_qs}, QDir::Files | QDir::Hidden, QDir::Name); };
    // Left by runs killed while writing the list, and before their commit.
    for (const char* name :
         {".backup-unmatched-lotw-20260101-000000.txt.Ab12Cd", ".backup-unmatched-lotw-20260101-000001.txt"})
        file(name, "W1AW 2026-06-06 12:00:00 20M CW\n");
    const ConfirmationImportResult failed
        = importConfirmations(*m_log, file("header-only.adi", kLotwHeader), std::nullopt, kToday);
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(lists(), QStringList());

    const ConfirmationImportResult result = importConfirmations(*m_log, report, std::nullopt, kToday);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.confirmed, 1);
    ASSERT_EQ(result.unmatched.size(), 1);
    EXPECT_EQ(lists(), QStringList{QFileInfo(result.unmatchedFile).fileName()});
    EXPECT_TRUE(QFileInfo(result.unmatchedFile).fileName().startsWith(u"backup-unmatched-lotw-"_qs));
    QFile listed(result.unmatchedFile);
    ASSERT_TRUE(listed.open(QIODevice::ReadOnly));
    EXPECT_TRUE(listed.readAll().contains("W1AW 2026-06-06 12:00:00 20M CW\n"));
    listed.remove();

    // The list's name taken (by a folder): the contacts are confirmed, the summary says the rest.
    QSqlQuery unconfirm(m_log->database());
    ASSERT_TRUE(unconfirm.exec(u"UPDATE logtab SET LotwRcvd = NULL, LotwRdate = NULL"_qs));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int second = -1; second < 8; ++second)
        QDir(m_dir.path()).mkdir(now.addSecs(second).toString(u"'backup-unmatched-lotw-'yyyyMMdd-HHmmss'.txt'"_qs));
    const ConfirmationImportResult blocked = importConfirmations(*m_log, report, std::nullopt, kToday);
    ASSERT_TRUE(blocked.ok) << blocked.error.toStdString();
    EXPECT_EQ(blocked.confirmed, 1);
    EXPECT_TRUE(blocked.unmatchedFile.isEmpty());
    EXPECT_TRUE(blocked.summary().contains(u"cannot be put beside the log"_qs)) << blocked.summary().toStdString();
    EXPECT_EQ(column("SELECT LotwRcvd FROM logtab"), QStringList{u"Y"_qs});
    EXPECT_EQ(lists(), QStringList());
}

// The ordinary import of a record that equals a stored contact: LoTW and eQSL fill their own
// columns, a card moves a waiting state to the thank-you.
TEST_F(Confirmations, AnImportedDuplicateConfirmsByItsKind)
{
    save(std::vector<Contact>{contact("OK1KIR", "144", "SSB", "2026-06-06", "14:05", "Y"),
                              contact("DL0GTH", "144", "CW", "2026-06-06", "14:10", "Y"),
                              contact("SP6ABC", "144", "CW", "2026-06-06", "14:20", "N")});
    const QByteArray adi = "<eoh>\n"
                           "<CALL:6>OK1KIR<BAND:2>2m<MODE:3>SSB<QSO_DATE:8>20260606<TIME_ON:4>1405"
                           "<LOTW_QSL_RCVD:1>Y<LOTW_QSLRDATE:8>20260610<eor>\n"
                           "<CALL:6>DL0GTH<BAND:2>2m<MODE:2>CW<QSO_DATE:8>20260606<TIME_ON:4>1410"
                           "<QSL_RCVD:1>Y<QSLRDATE:8>20260611<eor>\n"
                           "<CALL:6>SP6ABC<BAND:2>2m<MODE:2>CW<QSO_DATE:8>20260606<TIME_ON:4>1420"
                           "<EQSL_QSL_RCVD:1>Y<eor>\n";
    const AdifImportResult result = importAdif(*m_log, adi, kOwn);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.confirmed, 3);
    EXPECT_EQ(result.imported, 0);
    EXPECT_EQ(column("SELECT QSL || '|' || QslRdate || '|' || LotwRcvd || '|' || LotwRdate || '|' || EqslRcvd"
                     " FROM logtab ORDER BY ID"),
              (QStringList{u"Y||Y|2026-06-10|"_qs, u"T|2026-06-11|||"_qs, u"N||||Y"_qs}));
}

// Which kinds count: the counters and the map's red squares follow the setting.
TEST_F(Confirmations, TheCountingSettingChoosesWhatCounts)
{
    std::vector<Contact> log = {
        contact("OK1KIR", "144", "SSB", "2026-06-06", "14:05", "Q"), // JO70: card marked Q
        contact("DL0GTH", "144", "CW", "2026-06-06", "14:10", "T"),  // JO50: card in hand, thanks waiting
        contact("SP6ABC", "144", "CW", "2026-06-06", "14:20", "Y"),  // JO81: LoTW
        contact("OE3XYZ", "144", "CW", "2026-06-06", "14:30", "Y"),  // JN88: eQSL
        contact("HA5AB", "144", "CW", "2026-06-06", "14:40", "D"),   // JN97: single card sent, unconfirmed
    };
    const char* grids[] = {"JO70FD", "JO50VI", "JO81AB", "JN88AA", "JN97AA"};
    for (std::size_t i = 0; i < log.size(); ++i)
        log[i].locator = QLatin1String(grids[i]);
    log[2].lotwReceived = u"Y"_qs;
    log[3].eqslReceived = u"Y"_qs;
    save(log);
    const struct {
        ConfirmationCount count;
        int squares;
        const char* red; // the squares drawn red, D among them
    } cases[] = {
        {ConfirmationCount::CardsLotwEqsl, 4, "JN88AA JN97AA JO50VI JO70FD JO81AB"},
        {ConfirmationCount::CardsLotw, 3, "JN97AA JO50VI JO70FD JO81AB"},
        {ConfirmationCount::Cards, 2, "JN97AA JO50VI JO70FD"},
        {ConfirmationCount::Lotw, 1, "JN97AA JO81AB"},
        {ConfirmationCount::CardsMarkedQ, 1, "JN97AA JO70FD"},
    };
    for (const auto& c : cases) {
        const stats::CounterResult counted
            = stats::runCounter(m_log->database(), stats::Counter::SquaresConfirmed, {}, {}, c.count);
        EXPECT_EQ(counted.count, c.squares) << int(c.count);
        QString error;
        const auto rows = map::readKmlRows(m_log->database(), {}, c.count, &error);
        ASSERT_TRUE(rows) << error.toStdString();
        const QByteArray kml = map::kmlDocument({}, *rows);
        QStringList red;
        for (const map::KmlRow& row : *rows) {
            const qsizetype at = kml.indexOf("<name>" + row.locator.toUtf8() + "</name>");
            if (kml.mid(at, 200).contains("0000ff</color>"))
                red << row.locator;
        }
        EXPECT_EQ(red.join(u' '), QLatin1String(c.red)) << int(c.count);
    }
    EXPECT_EQ(confirmationCountCaptions().at(int(ConfirmationCount::CardsMarkedQ)), u"Cards marked Q only"_qs);
}

// A printed card and its date, the own locator and the confirmations go out and come back.
// A contact's identity and position go out as application fields and come back: an exported and
// imported contact is the same contact at every position. An identity the log holds already, on a
// contact that is no duplicate, is given a new one; a value that is no UUID is not kept.
TEST_F(Confirmations, TheIdentityGoesOutAndComesBack)
{
    save({contact("OK1KIR", "144", "SSB", "2026-06-06", "14:05"),
          contact("DL0GTH", "432", "CW", "2026-06-06", "14:10")});
    ASSERT_TRUE(
        QSqlQuery(m_log->database()).exec(u"UPDATE logtab SET Position = '432 tent' WHERE Callsign = 'DL0GTH'"_qs));
    const QStringList uuids = test::column0(*m_log, u"SELECT Uuid FROM logtab ORDER BY ID"_qs);
    ASSERT_EQ(uuids.size(), 2);
    const QString path = m_dir.filePath(u"out.adi"_qs);
    ASSERT_TRUE(exportAdif(*m_log, {}, kOwn, path, QDateTime(kToday, QTime(7, 0), Qt::UTC)).ok);
    const QJsonArray records = test::recordsByAdifParserTs(path);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].toObject().value(u"app_mivra_uuid"_qs), uuids[0]);
    EXPECT_FALSE(records[0].toObject().contains(u"app_mivra_position"_qs));
    EXPECT_EQ(records[1].toObject().value(u"app_mivra_uuid"_qs), uuids[1]);
    EXPECT_EQ(records[1].toObject().value(u"app_mivra_position"_qs), u"432 tent"_qs);

    QTemporaryDir other;
    QString error;
    auto copy = LogDatabase::open(other.filePath(u"backup.sqlite"_qs), test::kRealCtyCsv, &error);
    ASSERT_TRUE(copy) << error.toStdString();
    ASSERT_TRUE(importAdifFile(*copy, path, {u"OK1ABC"_qs, u"JN79AA"_qs}).ok);
    EXPECT_EQ(test::column0(*copy, u"SELECT Uuid || '|' || coalesce(Position, '') FROM logtab ORDER BY ID"_qs),
              (QStringList{uuids[0] + u"|"_qs, uuids[1] + u"|432 tent"_qs}));
    EXPECT_EQ(test::column0(*copy, u"SELECT count(*) FROM logfields WHERE fields LIKE '%APP_MIVRA_UUID%'"
                                   " OR fields LIKE '%APP_MIVRA_POSITION%'"_qs),
              QStringList{u"0"_qs});

    // The first contact a minute later (no duplicate) under its identity, and one with a broken one.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(file.readAll());
    file.close();
    const qsizetype header = text.indexOf(u"<EOH>"_qs, 0, Qt::CaseInsensitive) + 5;
    const qsizetype firstEnd = text.indexOf(u"<EOR>"_qs, header, Qt::CaseInsensitive) + 5;
    ASSERT_GT(header, 5);
    ASSERT_GT(firstEnd, header);
    QString again = text.left(header) + u"\n"_qs;
    const QString first = text.mid(header, firstEnd - header);
    QString later = first;
    later.replace(u"<TIME_ON:4>1405"_qs, u"<TIME_ON:4>1406"_qs);
    QString broken = first;
    broken.replace(u"<TIME_ON:4>1405"_qs, u"<TIME_ON:4>1407"_qs);
    broken.replace(uuids[0], u"not-a-uuid-at-all-not-a-uuid-at-all"_qs);
    again += later + broken;
    QFile changed(m_dir.filePath(u"again.adi"_qs));
    ASSERT_TRUE(changed.open(QIODevice::WriteOnly));
    changed.write(again.toUtf8());
    changed.close();
    ASSERT_TRUE(importAdifFile(*copy, changed.fileName(), {u"OK1ABC"_qs, u"JN79AA"_qs}).ok);
    const QStringList after = test::column0(*copy, u"SELECT GMT || '|' || Uuid FROM logtab ORDER BY ID"_qs);
    ASSERT_EQ(after.size(), 4) << after.join(u' ').toStdString();
    EXPECT_EQ(after[0], u"14:05|"_qs + uuids[0]);
    for (int i : {2, 3}) {
        const QString uuid = after[i].section(u'|', 1);
        EXPECT_EQ(uuid.size(), 36) << uuid.toStdString();
        EXPECT_NE(uuid, uuids[0]);
        EXPECT_NE(uuid, uuids[1]);
    }
    EXPECT_EQ(test::column0(*copy, u"SELECT count(DISTINCT Uuid) FROM logtab"_qs), QStringList{u"4"_qs});
}

TEST_F(Confirmations, ConfirmationsAndTheOwnLocatorGoOutAndComeBack)
{
    Contact home = contact("OK1KIR", "144", "SSB", "2026-06-06", "14:05", "N");
    home.locator = u"JO70FD"_qs;
    home.qslSentDate = u"2026-06-08"_qs;
    Contact hill = contact("DL0GTH", "144", "CW", "2026-06-06", "14:10", "Q");
    hill.locator = u"JO50VI"_qs;
    hill.myLocator = u"JO60LK"_qs;
    hill.qslReceivedDate = u"2026-06-09"_qs;
    hill.lotwReceived = u"Y"_qs;
    hill.lotwReceivedDate = u"2026-06-10"_qs;
    hill.eqslReceived = u"Y"_qs;
    hill.eqslReceivedDate = u"2026-06-11"_qs;
    save(std::vector<Contact>{home, hill});
    // The map draws the hill contact's line from the hill, the home one's from home.
    QString mapError;
    const auto mapRows = map::readKmlRows(m_log->database(), {}, kDefaultConfirmationCount, &mapError);
    ASSERT_TRUE(mapRows && mapRows->size() == 2) << mapError.toStdString();
    map::KmlHeader header;
    header.ownPoint = u"14.0,50.0,0"_qs;
    header.lines = true;
    const QByteArray kml = map::kmlDocument(header, *mapRows);
    const map::KmlRow& hillRow = mapRows->at(0).locator == u"JO50VI"_qs ? mapRows->at(0) : mapRows->at(1);
    ASSERT_FALSE(hillRow.from.isEmpty());
    EXPECT_TRUE(kml.contains("<coordinates>" + hillRow.from.toUtf8() + ' ')) << kml.toStdString();
    EXPECT_EQ(kml.count("<coordinates>14.0,50.0,0 "), 1);
    const QString path = m_dir.filePath(u"out.adi"_qs);
    ASSERT_TRUE(exportAdif(*m_log, {}, kOwn, path, QDateTime(kToday, QTime(7, 0), Qt::UTC)).ok);
    const QJsonArray records = test::recordsByAdifParserTs(path);
    ASSERT_EQ(records.size(), 2);
    const QJsonObject first = records[0].toObject(), second = records[1].toObject();
    EXPECT_EQ(first.value(u"qsl_sent"_qs), u"Y"_qs);
    EXPECT_EQ(first.value(u"qslsdate"_qs), u"20260608"_qs);
    EXPECT_EQ(first.value(u"my_gridsquare"_qs), u"JO70FD"_qs);
    EXPECT_EQ(second.value(u"my_gridsquare"_qs), u"JO60LK"_qs);
    EXPECT_EQ(second.value(u"qsl_rcvd"_qs), u"Y"_qs);
    EXPECT_EQ(second.value(u"qslrdate"_qs), u"20260609"_qs);
    EXPECT_EQ(second.value(u"lotw_qsl_rcvd"_qs), u"Y"_qs);
    EXPECT_EQ(second.value(u"lotw_qslrdate"_qs), u"20260610"_qs);
    EXPECT_EQ(second.value(u"eqsl_qsl_rcvd"_qs), u"Y"_qs);
    EXPECT_EQ(second.value(u"eqsl_qslrdate"_qs), u"20260611"_qs);

    // Into an empty log: the columns hold it all again, none of it left over in logfields.
    QTemporaryDir other;
    QString error;
    auto copy = LogDatabase::open(other.filePath(u"backup.sqlite"_qs), test::kRealCtyCsv, &error);
    ASSERT_TRUE(copy) << error.toStdString();
    ASSERT_TRUE(importAdifFile(*copy, path, {u"OK1ABC"_qs, u"JN79AA"_qs}).ok);
    EXPECT_EQ(test::column0(*copy, u"SELECT MyGrid || '|' || QslSdate || '|' || QslRdate || '|' || LotwRcvd || '|'"
                                   " || LotwRdate || '|' || EqslRcvd || '|' || EqslRdate FROM logtab ORDER BY ID"_qs),
              (QStringList{u"JO70FD|2026-06-08|||||"_qs, u"JO60LK||2026-06-09|Y|2026-06-10|Y|2026-06-11"_qs}));
    EXPECT_EQ(test::column0(*copy, u"SELECT count(*) FROM logfields WHERE fields LIKE '%MY_GRID%'"
                                   " OR fields LIKE '%QSL%'"_qs),
              QStringList{u"0"_qs});
    // The distance of the hill contact is reckoned from the hill, not from the settings' locator.
    const QStringList qrb = test::column0(*copy, u"SELECT QRB FROM logtab ORDER BY ID"_qs);
    ASSERT_EQ(qrb.size(), 2);
    const auto fromHill = geo::contactQrbQtf(utf16View(u"JO60LK"_qs), utf16View(u"JO50VI"_qs));
    const auto fromSettings = geo::contactQrbQtf(utf16View(u"JN79AA"_qs), utf16View(u"JO50VI"_qs));
    ASSERT_TRUE(fromHill && fromSettings);
    EXPECT_NEAR(qrb[1].toDouble(), fromHill->qrbKm, 0.5);
    EXPECT_GT(std::abs(fromSettings->qrbKm - fromHill->qrbKm), 50.0);
}

// An EDI file holds one location: the contacts' own locator, and a refusal naming two.
TEST_F(Confirmations, AnEdiLogTakesItsLocatorFromItsContacts)
{
    std::vector<LogRow> rows(2);
    static_cast<Contact&>(rows[0]) = contact("OK1KIR", "144", "SSB", "2026-06-06", "14:05");
    static_cast<Contact&>(rows[1]) = contact("DL0GTH", "144", "SSB", "2026-06-06", "14:10");
    rows[0].locator = u"JO70FD"_qs;
    rows[1].locator = u"JO50VI"_qs;
    for (LogRow& row : rows) {
        row.time = QDateTime(QDate(2026, 6, 6), QTime::fromString(row.gmt, u"HH:mm"_qs), Qt::UTC);
        row.myLocator = u"JO60LK"_qs;
    }
    EdiOptions options;
    options.bandValue = u"144"_qs;
    options.from = QDateTime(QDate(2026, 6, 6), QTime(14, 0), Qt::UTC);
    options.to = QDateTime(QDate(2026, 6, 7), QTime(14, 0), Qt::UTC);
    options.own = kOwn;
    QString error;
    const QByteArray edi = ediDocument(rows, options, &error);
    ASSERT_FALSE(edi.isEmpty()) << error.toStdString();
    EXPECT_TRUE(edi.contains("PWWLo=JO60LK\r\n"));

    rows[1].myLocator.clear(); // made from the settings' locator
    EXPECT_TRUE(ediDocument(rows, options, &error).isEmpty());
    EXPECT_TRUE(error.contains(u"JO60LK"_qs) && error.contains(u"JO70FD"_qs)) << error.toStdString();
}

TEST(ModeGroups, ModesFallIntoTheServicesGroups)
{
    const struct {
        const char* mode;
        const char* group;
    } cases[] = {{"CW", "CW"},      {"ssb", "PHONE"},  {"USB", "PHONE"},    {"FM", "PHONE"},
                 {"AM", "PHONE"},   {"FT8", "DATA"},   {"MFSK", "DATA"},    {"RTTY", "DATA"},
                 {"JT65B", "DATA"}, {"SSTV", "IMAGE"}, {"SSB/CW", "PHONE"}, {"", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(modeGroupOf(QLatin1String(c.mode)), QLatin1String(c.group)) << c.mode;
}

} // namespace
