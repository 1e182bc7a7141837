#include "ExchangeTestSupport.h"

#include "AdifFile.h"
#include "AdifImport.h"
#include "EdiExport.h"

#include <QElapsedTimer>
#include <QSqlError>

namespace mivra {
namespace {

const OwnStation kOwn{u"DL7ABC"_qs, u"JO62QM"_qs};

class AdifStream : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_log = test::createSmallLog(m_dir);
        ASSERT_TRUE(m_log);
        ASSERT_TRUE(m_log->switchPatternsToRunningForm());
    }
    void insert(const QString& date, const QString& time, const QString& call, const QString& band, const QString& qsl)
    {
        QSqlQuery query(m_log->database());
        ASSERT_TRUE(query.prepare(u"INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, QSL, DXCC)"
                                  " VALUES (?, ?, ?, 'JO62QM', '59001', '59002', ?, 'SSB', ?, 'DL Fed. Rep. of Germany')"_qs));
        for (const QString& value : {date, time, call, band, qsl})
            query.addBindValue(value);
        ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
    }
    void checkConfirmations(const QByteArray& header);
    QTemporaryDir m_dir;
    std::unique_ptr<LogDatabase> m_log;
};

// Where the header ends is read from the tags and their lengths, never searched for as text.
TEST(AdifReader, FindsTheHeaderEndByItsTags)
{
    struct Case {
        const char* file;
        std::size_t records;
        const char* firstCall;
        const char* firstComment;
    };
    const Case cases[] = {
        {"<CALL:4>OK1A<COMMENT:9>a <EOH> b<EOR><CALL:4>OK1B<EOR>", 2, "OK1A", "a <EOH> b"},
        {"<call:4>OK1A<comment:5><eoh>x<eor>", 1, "OK1A", "<eoh>"},
        {"Made by hand <ADIF_VER:5>3.1.4<EOH><CALL:4>OK1C<EOR>", 1, "OK1C", ""},
        {"<ADIF_VER:5>3.1.4<PROGRAMID:5><EOH><EOH>\n<CALL:4>OK1D<EOR>", 1, "OK1D", ""},
        {"header <EOH>", 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::vector<adif::AdifRecord> records = adif::readAdif(QByteArray(c.file));
        ASSERT_EQ(records.size(), c.records);
        if (c.records == 0)
            continue;
        EXPECT_EQ(records[0].value("CALL"), QLatin1String(c.firstCall));
        EXPECT_EQ(records[0].value("COMMENT"), QLatin1String(c.firstComment));
        EXPECT_FALSE(records[0].fields.contains(u"ADIF_VER"_qs));
    }
}

// Lengths far beyond their records cost one pass over the bytes, not fields times lengths.
TEST_F(AdifStream, HostileLengthsAreReadInOnePass)
{
    QByteArray file;
    const QByteArray record = "<CALL:2000000>x<QSO_DATE:8>20260606<TIME_ON:4>1200<BAND:2>2m<NAME:999999>Eva<EOR>\n";
    while (file.size() < 5600000)
        file += record;
    QElapsedTimer clock;
    clock.start();
    const std::vector<adif::AdifRecord> records = adif::readAdif(file);
    EXPECT_LT(clock.elapsed(), 2000);
    ASSERT_EQ(qsizetype(records.size()), file.size() / record.size());
    // The value stops at the record's own <EOR>.
    EXPECT_EQ(records[1].value("CALL"), u"x<QSO_DATE:8>20260606<TIME_ON:4>1200<BAND:2>2m<NAME:999999>Eva"_qs);
    EXPECT_EQ(records[1].fields.size(), 1);

    clock.restart();
    const AdifImportResult result = importAdif(*m_log, file, kOwn);
    EXPECT_LT(clock.elapsed(), 2000);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.imported, 0);
    EXPECT_EQ(result.refusals.size(), qsizetype(records.size()));
    EXPECT_EQ(test::column0(*m_log, u"SELECT count(*) FROM logtab"_qs), QStringList{u"0"_qs});
}

// A field alone is valid ADIF: the contact is stored without a locator, and the summary says so.
TEST_F(AdifStream, ATwoCharacterLocatorIsLeftEmpty)
{
    const AdifImportResult result = importAdif(
        *m_log, "<CALL:4>OK1A<QSO_DATE:8>20260606<TIME_ON:4>1200<BAND:2>2m<GRIDSQUARE:2>jo<EOR>", kOwn);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.imported, 1);
    EXPECT_EQ(test::column0(*m_log, u"SELECT Grid || '|' || ifnull(QRB, 'none') FROM logtab"_qs),
              QStringList{u"|none"_qs});
    EXPECT_TRUE(result.summary().endsWith(u"\nRecord 1 (OK1A): locator JO has only 2 characters; stored without a locator"_qs))
        << result.summary().toStdString();
}

// A record the log's contact check refuses is refused with its number, nothing stored.
TEST_F(AdifStream, TheContactCheckRefusesWithTheRecordNumber)
{
    const AdifImportResult result = importAdif(*m_log,
                                               "<CALL:4>OK1A<QSO_DATE:8>20260606<TIME_ON:4>1200<BAND:3>11m<EOR>"
                                               "<CALL:4>OK1B<QSO_DATE:8>20260606<TIME_ON:4>1200<EOR>"
                                               "<CALL:4>OK1C<QSO_DATE:8>18991231<TIME_ON:4>1200<BAND:2>2m<EOR>"
                                               "<CALL:4>OK1D<QSO_DATE:8>20260606<TIME_ON:4>1200<BAND:2>2m"
                                               "<APP_MIVRA_QSL:1:S>x<EOR>",
                                               kOwn);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.imported, 0);
    ASSERT_EQ(result.refusals.size(), 4);
    EXPECT_TRUE(result.refusals[0].startsWith(u"Record 1 (OK1A): Band: \"11m\""_qs)) << result.refusals[0].toStdString();
    EXPECT_TRUE(result.refusals[1].startsWith(u"Record 2 (OK1B): Band: \"\""_qs)) << result.refusals[1].toStdString();
    EXPECT_TRUE(result.refusals[2].startsWith(u"Record 3 (OK1C): Date:"_qs)) << result.refusals[2].toStdString();
    EXPECT_TRUE(result.refusals[3].startsWith(u"Record 4 (OK1D): QSL:"_qs)) << result.refusals[3].toStdString();
}

// A record equal to a stored contact that says a confirmation came confirms it by its kind: a card
// turns the contact to Q, LoTW and eQSL leave its paper state as it is.
// header: what the file holds before <EOH>; a long one makes the import expect many records.
void AdifStream::checkConfirmations(const QByteArray& header)
{
    struct Case {
        const char* call;
        const char* stored; // QSL before
        const char* fields; // what the file says of the card
        const char* after;  // QSL after
    };
    const Case cases[] = {
        {"DL1AA", "N", "<QSL_RCVD:1>Y", "Q"},        {"DL1AB", "Y", "<LOTW_QSL_RCVD:1>Y", "Y"},
        {"DL1AC", "D", "<EQSL_QSL_RCVD:1>y", "D"},   {"DL1AD", "N", "<QSL_RCVD:1>N", "N"},
        {"DL1AE", "T", "<QSL_RCVD:1>Y", "T"},        {"DL1AF", "Q", "<QSL_RCVD:1>Y", "Q"},
        {"DL1AG", "N", "", "N"},
    };
    QByteArray file = header + "<ADIF_VER:5>3.1.4<EOH>\n";
    for (const Case& c : cases) {
        insert(u"2026-06-06"_qs, u"12:00"_qs, QLatin1String(c.call), u"144"_qs, QLatin1String(c.stored));
        file += "<CALL:5>" + QByteArray(c.call) + "<QSO_DATE:8>20260606<TIME_ON:6>120030<FREQ:7>144.300<RST_SENT:2>55"
                + c.fields + "<EOR>\n";
    }
    // Another band is another contact: stored, not confirming.
    file += "<CALL:5>DL1AA<QSO_DATE:8>20260606<TIME_ON:4>1200<BAND:4>70cm<QSL_RCVD:1>Y<EOR>\n";
    // The same again, seconds later within the minute: skipped.
    file += "<CALL:5>dl1aa<QSO_DATE:8>20260606<TIME_ON:6>120059<BAND:4>70CM<EOR>\n";
    const QStringList before = test::logRows(*m_log);
    const auto indexes = [this] {
        return test::column0(*m_log, u"SELECT sql FROM sqlite_master WHERE type = 'index' ORDER BY name"_qs);
    };
    const QStringList indexesBefore = indexes();

    const AdifImportResult result = importAdif(*m_log, file, kOwn);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.confirmed, 3);
    EXPECT_EQ(result.skipped, 5);
    EXPECT_EQ(result.imported, 1);
    EXPECT_TRUE(result.summary().startsWith(u"Imported 1, 3 contacts confirmed, skipped 5 (already in the log)"_qs))
        << result.summary().toStdString();
    EXPECT_EQ(indexes(), indexesBefore);
    const QStringList after = test::logRows(*m_log);
    ASSERT_EQ(after.size(), before.size() + 1);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].call);
        QStringList expected = before[qsizetype(i)].split(u'|');
        expected[7] = QLatin1String(cases[i].after); // QSL, and nothing else
        EXPECT_EQ(after[qsizetype(i)], expected.join(u'|'));
    }
}

TEST_F(AdifStream, ConfirmationsConfirmStoredContactsByTheirKind)
{
    checkConfirmations({});
}

// The same where the indexes are built at the end and duplicates are found by keys in memory.
TEST_F(AdifStream, ConfirmationsInAFileOfManyRecords)
{
    checkConfirmations(QByteArray(4 << 20, 'x') + '\n');
}

// Contest rows are found by day in the stored form, with a time after it, and the older form.
TEST_F(AdifStream, ContestRowsInEveryStoredDateForm)
{
    insert(u"2026-06-06"_qs, u"14:00"_qs, u"DL1AA"_qs, u"144"_qs, u"N"_qs);
    insert(u"06.06.2026"_qs, u"15:00"_qs, u"DL1AB"_qs, u"144.300"_qs, u"N"_qs);
    insert(u"2026-06-07 00:00:00"_qs, u"13:59"_qs, u"DL1AC"_qs, u"144"_qs, u"N"_qs);
    insert(u"2026-06-07"_qs, u"14:00"_qs, u"DL1AD"_qs, u"144"_qs, u"N"_qs);  // the span has ended
    insert(u"2026-06-06"_qs, u"13:59"_qs, u"DL1AE"_qs, u"144"_qs, u"N"_qs);  // not yet begun
    insert(u"2026-06-06"_qs, u"16:00"_qs, u"DL1AF"_qs, u"1440"_qs, u"N"_qs); // another band
    insert(u"05.06.2026"_qs, u"23:59"_qs, u"DL1AG"_qs, u"144"_qs, u"N"_qs);
    EdiOptions options;
    options.bandValue = u"144"_qs;
    options.from = QDateTime(QDate(2026, 6, 6), QTime(14, 0), Qt::UTC);
    options.to = QDateTime(QDate(2026, 6, 7), QTime(14, 0), Qt::UTC);
    options.own = kOwn;
    const QString file = m_dir.filePath(u"contest.edi"_qs);
    const EdiExportResult result = exportEdi(*m_log, options, file);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.written, 3);
    QFile edi(file);
    ASSERT_TRUE(edi.open(QIODevice::ReadOnly));
    const QByteArray text = edi.readAll();
    const qsizetype aa = text.indexOf(";DL1AA;"), ab = text.indexOf(";DL1AB;"), ac = text.indexOf(";DL1AC;");
    EXPECT_TRUE(aa > 0 && ab > aa && ac > ab) << text.toStdString();
}

} // namespace
} // namespace mivra
