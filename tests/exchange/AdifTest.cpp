#include "ExchangeTestSupport.h"

#include "AdifExport.h"
#include "AdifFields.h"
#include "AdifImport.h"

#include <QDateTime>
#include <QSqlError>

namespace mivra {
namespace {

const OwnStation kOwn{u"DL7ABC"_qs, u"JO62QM"_qs};

void insertRow(const LogDatabase& log, const QStringList& values, const QString& qslVia = {})
{
    QSqlQuery query(log.database());
    ASSERT_TRUE(query.prepare(u"INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam, Comment,"
                              " QSL, Prop, DXCC, QSLman) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_qs));
    for (const QString& value : values)
        query.addBindValue(value);
    query.addBindValue(qslVia);
    ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
}

class Adif : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_log = test::createSmallLog(m_dir);
        ASSERT_TRUE(m_log);
        ASSERT_TRUE(m_log->switchPatternsToRunningForm());
    }
    std::unique_ptr<LogDatabase> emptyLog(const QString& name)
    {
        QString error;
        auto log = LogDatabase::open(m_dir.filePath(name), m_dir.filePath(u"cty.csv"_qs), &error);
        EXPECT_TRUE(log) << error.toStdString();
        if (log)
            log->switchPatternsToRunningForm();
        return log;
    }
    QTemporaryDir m_dir;
    std::unique_ptr<LogDatabase> m_log;
};

TEST_F(Adif, RoundTripKeepsEveryRow)
{
    const QString de = u"DL Fed. Rep. of Germany"_qs;
    const QString ok = u"OK Czech Republic"_qs;
    // Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam, Comment, QSL, Prop, DXCC
    const QStringList rows[] = {
        {u"2026-06-06"_qs, u"14:05"_qs, u"DL1ABC"_qs, u"JO62QM"_qs, u"59001"_qs, u"59012"_qs, u"144"_qs, u"SSB"_qs,
         u"Jürgen"_qs, u"tropo; <good> signal"_qs, u"Y"_qs, u"Tr"_qs, de},
        {u"2026-06-06"_qs, u"14:07"_qs, u"OK1KIR"_qs, u"JO70FD12AB"_qs, u"599003"_qs, u"599145"_qs, u"1296"_qs,
         u"CW"_qs, u"Jiří"_qs, u""_qs, u"T"_qs, u"Rs"_qs, ok},
        {u"2026-06-07"_qs, u"09:30"_qs, u"OL9A"_qs, u"JN79"_qs, u"-12"_qs, u"-09"_qs, u"50.313"_qs, u"FT8"_qs,
         u""_qs, u"Es"_qs, u"Q"_qs, u"Es"_qs, ok},
        {u"2026-06-07"_qs, u"10:00"_qs, u"DA0XX"_qs, u""_qs, u"59"_qs, u"59"_qs, u"3600"_qs, u"usb"_qs, u""_qs,
         u"Aurora"_qs, u"S"_qs, u"Au"_qs, de},
        {u"2026-06-07"_qs, u"11:11"_qs, u"DL0GHZ"_qs, u"JO62RN"_qs, u"5/9"_qs, u"59"_qs, u"122250"_qs, u"FT4"_qs,
         u"Ms"_qs, u"Rain"_qs, u"D"_qs, u"EME"_qs, de},
        {u"2026-06-07"_qs, u"12:12"_qs, u"OK2XÝZ"_qs, u"JN89AA"_qs, u"55"_qs, u"57"_qs, u"432.2"_qs, u"Digi"_qs,
         u"Zdeněk"_qs, u""_qs, u"N"_qs, u"Ms"_qs, ok},
        {u"2026-06-07"_qs, u"13:13"_qs, u"DL2AA"_qs, u"JO62"_qs, u"59"_qs, u"59"_qs, u"10368"_qs, u"SSB"_qs, u""_qs,
         u""_qs, u"B"_qs, u"Tr"_qs, de},
    };
    for (const QStringList& row : rows)
        insertRow(*m_log, row, row[2] == u"OK1KIR"_qs ? u"OK1DIG"_qs : QString());

    const QString file = m_dir.filePath(u"log.adi"_qs);
    const AdifExportResult exported =
        exportAdif(*m_log, {}, kOwn, file, QDateTime(QDate(2026, 6, 8), QTime(7, 0), Qt::UTC));
    ASSERT_TRUE(exported.ok) << exported.error.toStdString();
    EXPECT_EQ(exported.written, 7);
    test::expectSameReading(file);

    // The fields other programs read.
    QFile adi(file);
    ASSERT_TRUE(adi.open(QIODevice::ReadOnly));
    const QByteArray bytes = adi.readAll();
    for (const char c : bytes)
        ASSERT_TRUE(c == '\n' || (c >= 32 && c < 127)) << "non-ASCII byte " << int(c);
    const std::vector<adif::AdifRecord> records = adif::readAdif(bytes);
    ASSERT_EQ(records.size(), 7u);
    struct Expected {
        const char* band;
        const char* freq;
        const char* mode;
        const char* submode;
        const char* rstSent;
        const char* stx;
        const char* grid;
        const char* gridExt;
        const char* prop;
        const char* qslSent;
        const char* qslRcvd;
        const char* name;
    };
    const Expected expected[] = {
        {"2m", "", "SSB", "", "59", "001", "JO62QM", "", "TR", "Q", "N", "Jurgen"},
        {"23cm", "", "CW", "", "599", "003", "JO70FD12", "AB", "RS", "Q", "Y", "Jiri"},
        {"6m", "50.313", "FT8", "", "-12", "", "JN79", "", "ES", "Y", "Y", ""},
        {"80m", "", "SSB", "USB", "59", "", "", "", "AUR", "Q", "N", ""},
        {"2.5mm", "", "MFSK", "FT4", "5/9", "", "JO62RN", "", "EME", "Y", "N", "Ms"},
        {"70cm", "432.2", "SSB", "", "55", "", "JN89AA", "", "MS", "N", "N", "Zdenek"},
        {"3cm", "", "SSB", "", "59", "", "JO62", "", "TR", "Q", "N", ""},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const adif::AdifRecord& r = records[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(r.value("CALL").toStdString());
        EXPECT_EQ(r.value("BAND"), QLatin1String(e.band));
        EXPECT_EQ(r.value("FREQ"), QLatin1String(e.freq));
        EXPECT_EQ(r.value("MODE"), QLatin1String(e.mode));
        EXPECT_EQ(r.value("SUBMODE"), QLatin1String(e.submode));
        EXPECT_EQ(r.value("RST_SENT"), QLatin1String(e.rstSent));
        EXPECT_EQ(r.value("STX_STRING"), QLatin1String(e.stx));
        EXPECT_EQ(r.value("GRIDSQUARE"), QLatin1String(e.grid));
        EXPECT_EQ(r.value("GRIDSQUARE_EXT"), QLatin1String(e.gridExt));
        EXPECT_EQ(r.value("PROP_MODE"), QLatin1String(e.prop));
        EXPECT_EQ(r.value("QSL_SENT"), QLatin1String(e.qslSent));
        EXPECT_EQ(r.value("QSL_RCVD"), QLatin1String(e.qslRcvd));
        EXPECT_EQ(r.value("NAME"), QLatin1String(e.name));
        EXPECT_EQ(r.value("MY_GRIDSQUARE"), u"JO62QM"_qs);
        EXPECT_EQ(r.value("STATION_CALLSIGN"), u"DL7ABC"_qs);
    }
    EXPECT_EQ(records[0].value("DXCC"), u"230"_qs);
    EXPECT_EQ(records[0].value("COUNTRY"), u"Fed. Rep. of Germany"_qs);
    EXPECT_EQ(records[1].value("QSL_VIA"), u"OK1DIG"_qs);
    EXPECT_EQ(records[0].value("QSO_DATE"), u"20260606"_qs);
    EXPECT_EQ(records[0].value("TIME_ON"), u"1405"_qs);

    auto copy = emptyLog(u"copy.sqlite"_qs);
    ASSERT_TRUE(copy);
    const AdifImportResult imported = importAdifFile(*copy, file, kOwn);
    ASSERT_TRUE(imported.ok) << imported.error.toStdString();
    EXPECT_EQ(imported.imported, 7);
    EXPECT_EQ(test::logRows(*copy), test::logRows(*m_log));
    // Distance and heading come from the locators.
    EXPECT_EQ(test::column0(*copy, u"SELECT count(*) FROM logtab WHERE QRB IS NULL"_qs), QStringList{u"1"_qs});

    // A second import finds every record stored already.
    const AdifImportResult again = importAdifFile(*copy, file, kOwn);
    EXPECT_EQ(again.imported, 0);
    EXPECT_EQ(again.skipped, 7);
}

// Records come in time order whatever form a row's date and time are stored in; a time typed
// without its leading zero is a time like any other.
TEST_F(Adif, ExportsInTimeOrderWhateverTheStoredForm)
{
    const auto insert = [this](const QString& date, const QString& gmt, const QString& call) {
        insertRow(*m_log, {date, gmt, call, u""_qs, u"59"_qs, u"59"_qs, u"144"_qs, u"SSB"_qs, u""_qs, u""_qs, u"N"_qs,
                           u"Tr"_qs, u""_qs});
    };
    insert(u"2026-06-07"_qs, u"10:00"_qs, u"DL1LAST"_qs);
    insert(u"06.06.2026"_qs, u"12:00"_qs, u"DL1OLD"_qs);
    insert(u"2026-06-06"_qs, u"8:06:30"_qs, u"DL1SEC"_qs);
    insert(u"2026-06-06"_qs, u"7:05"_qs, u"DL1FIRST"_qs);
    insert(u"2026-06-06"_qs, u"11:00"_qs, u"DL1MID"_qs);
    insert(u"2026-06-06"_qs, u"11:00"_qs, u"DL1MID2"_qs);
    // A statement still open on the connection, as the window's grid keeps one.
    QSqlQuery open(m_log->database());
    ASSERT_TRUE(open.exec(u"SELECT ID FROM logtab"_qs) && open.next());
    const QString file = m_dir.filePath(u"times.adi"_qs);
    const auto exported = [&] {
        const AdifExportResult result = exportAdif(*m_log, {}, kOwn, file, QDateTime::currentDateTimeUtc());
        EXPECT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(result.leftOut, QStringList());
        QFile adi(file);
        EXPECT_TRUE(adi.open(QIODevice::ReadOnly));
        QStringList records;
        for (const adif::AdifRecord& record : adif::readAdif(adi.readAll()))
            records << record.value("CALL") + u' ' + record.value("TIME_ON");
        return records;
    };
    const QStringList records = exported();
    EXPECT_EQ(records, QStringList({u"DL1FIRST 0705"_qs, u"DL1SEC 080630"_qs, u"DL1MID 1100"_qs, u"DL1MID2 1100"_qs,
                                    u"DL1OLD 1200"_qs, u"DL1LAST 1000"_qs}));
    EXPECT_EQ(exported(), records); // read again while the statement is still open
    // Only sortable forms left: SQLite sorts, same minute as stored.
    open.finish();
    QSqlQuery(m_log->database()).exec(u"DELETE FROM logtab WHERE Callsign IN ('DL1OLD', 'DL1SEC', 'DL1FIRST')"_qs);
    EXPECT_EQ(exported(), QStringList({u"DL1MID 1100"_qs, u"DL1MID2 1100"_qs, u"DL1LAST 1000"_qs}));
}

TEST_F(Adif, ReadsFilesAsOtherLoggersWriteThem)
{
    // No header, mixed-case names, FT8 with FREQ only, ADIF 2 style, a name counted in characters,
    // a Latin-1 file is tested below.
    const QByteArray file =
        "<call:6>dl1abc<Qso_Date:8>20260606<time_on:6>140512<freq:6>14.074<mode:3>FT8<rst_sent:3>-10"
        "<rst_rcvd:3>-12<gridsquare:4>jo62<name:6>J\xc3\xbcrgen<eor>\n"
        "<CALL:5>OK1KT <QSO_DATE:8>20260607 <TIME_ON:4>0930 <FREQ:8>144.3001 <MODE:3>SSB <GRIDSQUARE:6>JO70FD"
        " <MY_GRIDSQUARE:6>JO60AA <QSL_SENT:1>Y <QSL_RCVD:1>Y <PROP_MODE:2>ES <Eor>\n"
        "<CALL:5>G4ABC<QSO_DATE:8>20260607<TIME_ON:4>0931<BAND:4>70CM<MODE:3>MFSK<SUBMODE:3>FT4<QSL_SENT:1>Q"
        "<EOR>\n<CALL:4>OK1A<QSO_DATE:8>20260607<TIME_ON:4>1000<BAND:2>4m<EOR>";
    const AdifImportResult result = importAdif(*m_log, file, kOwn);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.imported, 4);
    EXPECT_EQ(result.refusals, QStringList());
    EXPECT_EQ(test::logRows(*m_log),
              (QStringList{u"2026-06-06|14:05|DL1ABC|JO62|-10|-12|DL Fed. Rep. of Germany|N|Jürgen|14200|FT8|||"_qs,
                           u"2026-06-07|09:30|OK1KT|JO70FD|||OK Czech Republic|Q||144.3001|SSB||Es|"_qs,
                           u"2026-06-07|09:31|G4ABC|||||Y||432|FT4|||"_qs,
                           u"2026-06-07|10:00|OK1A||||OK Czech Republic|N||70||||"_qs}));
    // QRB from MY_GRIDSQUARE where the record names it, else from the own locator.
    const QStringList qrb = test::column0(*m_log, u"SELECT round(QRB) FROM logtab ORDER BY ID"_qs);
    EXPECT_EQ(qrb.mid(0, 2), (QStringList{u"25"_qs, u"173"_qs}));

    // Latin-1 text and a header without fields.
    const AdifImportResult latin1 =
        importAdif(*m_log, "exported by hand\n<eoh><CALL:4>OK1B<QSO_DATE:8>20260608<TIME_ON:4>1000<BAND:2>2m<NAME:4>J\xf6rg<EOR>",
                   kOwn);
    EXPECT_EQ(latin1.imported, 1);
    EXPECT_EQ(test::column0(*m_log, u"SELECT Nam FROM logtab WHERE Callsign = 'OK1B'"_qs), QStringList{u"Jörg"_qs});

    // A length that runs past the end of its record takes neither the <EOR> nor the next record's fields.
    // Nor past the end of the file; a value that holds "<eor>" as text with its right length stays whole.
    const AdifImportResult overrun = importAdif(
        *m_log, "<CALL:4>OK1C<QSO_DATE:8>20260609<TIME_ON:4>1000<BAND:2>2m<NAME:12>Jan <eor>\n<CALL:4>OK1D<QSO_DATE:8>20260609"
                "<TIME_ON:4>1100<BAND:2>2m<NAME:9>a <eor> b<EOR><CALL:4>OK1E<QSO_DATE:8>20260609<TIME_ON:4>1200<BAND:2>2m"
                "<NAME:99>Eva<eor><CALL:4>OK1F<QSO_DATE:8>20260609<TIME_ON:4>1300<BAND:2>2m<EOR>", kOwn);
    EXPECT_EQ(overrun.imported, 4);
    EXPECT_EQ(test::column0(*m_log, u"SELECT Callsign || '|' || Nam FROM logtab WHERE Date = '2026-06-09' ORDER BY ID"_qs),
              (QStringList{u"OK1C|Jan"_qs, u"OK1D|a <eor> b"_qs, u"OK1E|Eva"_qs, u"OK1F|"_qs}));

    // A file cut off inside a record: that record is refused, not stored with what was left of it.
    for (const char* end : {"<NAME:5>Pe", "<GRIDSQ"}) {
        const AdifImportResult cut = importAdif(
            *m_log, "<CALL:4>OK1G<QSO_DATE:8>20260610<TIME_ON:4>1000<BAND:2>2m<EOR>\n<CALL:4>OK1H<QSO_DATE:8>20260610<TIME_ON:4>1100"
                        + QByteArray(end), kOwn);
        EXPECT_EQ(cut.refusals, QStringList{u"Record 2 (OK1H): the file ends inside this record"_qs});
        EXPECT_EQ(test::column0(*m_log, u"SELECT count(*) FROM logtab WHERE Callsign = 'OK1H'"_qs), QStringList{u"0"_qs});
    }
}

TEST_F(Adif, RefusesAndSkipsWithTheirPositions)
{
    insertRow(*m_log, {u"2026-06-06"_qs, u"14:05"_qs, u"DL1ABC"_qs, u""_qs, u"59"_qs, u"59"_qs, u"144"_qs, u"SSB"_qs,
                       u""_qs, u""_qs, u"Y"_qs, u"Tr"_qs, u""_qs});
    const QByteArray file = "<ADIF_VER:5>3.1.4<EOH>\n"
                            "<CALL:6>DL1ABC<QSO_DATE:8>20260606<TIME_ON:6>140559<BAND:2>2m<EOR>\n"  // stored
                            "<CALL:6>dl1abc<QSO_DATE:8>20260606<TIME_ON:4>1405<FREQ:7>144.300<EOR>\n" // stored
                            "<CALL:6>DL1ABC<QSO_DATE:8>20260606<TIME_ON:4>1405<BAND:4>70cm<EOR>\n" // other band
                            "<QSO_DATE:8>20260606<TIME_ON:4>1406<EOR>\n"
                            "<CALL:4>OK1A<TIME_ON:4>1406<EOR>\n"
                            "<CALL:4>OK1B<QSO_DATE:8>20260606<EOR>\n"
                            "<CALL:4>OK1C<QSO_DATE:8>20261306<TIME_ON:4>1406<EOR>\n"
                            "<CALL:4>OK1D<QSO_DATE:8>20260606<TIME_ON:4>1406<GRIDSQUARE:5>JO70F<EOR>\n"
                            "<CALL:4>OK1E<QSO_DATE:8>20260606<TIME_ON:4>1407<GRIDSQUARE:4>JS70<EOR>\n"
                            "<CALL:4>OK1F<QSO_DATE:8>20260606<TIME_ON:4>1408<BAND:2>2m<EOR>\n"
                            "<CALL:4>ok1f<QSO_DATE:8>20260606<TIME_ON:4>1408<BAND:2>2m<EOR>\n"; // twice in the file
    const AdifImportResult result = importAdif(*m_log, file, kOwn);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.imported, 2);
    EXPECT_EQ(result.skipped, 3);
    EXPECT_EQ(result.refusals, (QStringList{u"Record 4: no callsign"_qs, u"Record 5 (OK1A): no date"_qs,
                                            u"Record 6 (OK1B): no time"_qs,
                                            u"Record 7 (OK1C): date 20261306 or time 1406 cannot be read"_qs,
                                            u"Record 8 (OK1D): invalid locator JO70F"_qs,
                                            u"Record 9 (OK1E): invalid locator JS70"_qs}));
    EXPECT_TRUE(result.summary(2).startsWith(u"Imported 2, skipped 3 (already in the log), refused 6.\n"
                                             "Record 4: no callsign\nRecord 5 (OK1A): no date\n... and 4 more"_qs));
    EXPECT_EQ(test::column0(*m_log, u"SELECT Callsign || ' ' || Band FROM logtab ORDER BY ID"_qs),
              (QStringList{u"DL1ABC 144"_qs, u"DL1ABC 432"_qs, u"OK1F 144"_qs}));

    // A file without records changes nothing and says so.
    const AdifImportResult none = importAdif(*m_log, "just text", kOwn);
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.error, u"The file holds no ADIF records."_qs);
}

TEST(AdifFields, QslLettersBothWays)
{
    struct Case {
        const char* letter;
        const char* sent;
        const char* received;
        const char* back; // the letter read back from the two states alone
    };
    const Case cases[] = {{"Y", "Q", "N", "Y"}, {"S", "Q", "N", "Y"}, {"B", "Q", "N", "Y"}, {"T", "Q", "Y", "T"},
                          {"Q", "Y", "Y", "Q"}, {"D", "Y", "N", "N"}, {"N", "N", "N", "N"}, {"X", "", "", "N"}};
    for (const Case& c : cases) {
        const adif::QslStates states = adif::qslStatesOfLetter(QLatin1String(c.letter));
        EXPECT_EQ(states.sent, QLatin1String(c.sent)) << c.letter;
        EXPECT_EQ(states.received, QLatin1String(c.received)) << c.letter;
        EXPECT_EQ(adif::qslLetterOfStates(states.sent, states.received), QLatin1String(c.back)) << c.letter;
    }
    EXPECT_EQ(adif::qslLetterOfStates(u"R"_qs, u"V"_qs), u"T"_qs);
}

} // namespace
} // namespace mivra
