#include "ExchangeTestSupport.h"

#include "AdifExport.h"
#include "AdifImport.h"
#include "LogRows.h"

#include <QJsonObject>

namespace mivra {
namespace {

Contact contactWith(const char* call, const char* band, std::optional<double> frequency)
{
    Contact qso;
    qso.date = QStringLiteral("2026-06-06");
    qso.gmt = QStringLiteral("14:05");
    qso.callsign = QString::fromLatin1(call);
    qso.locator = QStringLiteral("JO70FD");
    qso.band = QString::fromLatin1(band);
    qso.mode = QStringLiteral("FM");
    qso.frequencyMHz = frequency;
    return qso;
}

// The radio's exact frequency is stored in Freq (NULL without one), and ADIF writes it as FREQ.
TEST(Frequency, StoredWithTheContactAndExported)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    ASSERT_TRUE(log->saveQso(contactWith("DL1ABC", "144", std::nullopt)));
    // Refused row (no callsign): nothing stays.
    EXPECT_FALSE(log->saveQso(contactWith("", "432", 432.2)));
    ASSERT_TRUE(log->saveQso(contactWith("OK1KIR", "432", 432.2)));
    const Contact more[] = {contactWith("SP6ABC", "144", 144.3005), contactWith("DL2QRP", "144", std::nullopt)};
    ASSERT_TRUE(log->saveQsos(more, {}));
    EXPECT_EQ(test::column0(*log, u"SELECT quote(Freq) FROM logtab ORDER BY ID"_qs),
              QStringList({u"NULL"_qs, u"432.2"_qs, u"144.3005"_qs, u"NULL"_qs}));

    std::vector<LogRow> rows;
    QString error;
    ASSERT_TRUE(readLogRows(*log, {}, &rows, &error)) << error.toStdString();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].frequencyMHz, 432.2);
    EXPECT_FALSE(rows[3].frequencyMHz);

    const QString file = dir.filePath(u"log.adi"_qs);
    const AdifExportResult result
        = exportAdif(*log, {}, {u"DL7ABC"_qs, u"JO62QM"_qs}, file, QDateTime::currentDateTimeUtc(), {});
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    const QJsonArray records = test::recordsByAdifParserTs(file);
    ASSERT_EQ(records.size(), 4);
    QStringList frequencies;
    for (const QJsonValue& record : records)
        frequencies << record.toObject().value(u"call"_qs).toString() + u' '
                           + record.toObject().value(u"freq"_qs).toString() + u' '
                           + record.toObject().value(u"band"_qs).toString();
    EXPECT_EQ(frequencies,
              QStringList({u"DL1ABC  2m"_qs, u"OK1KIR 432.2 70cm"_qs, u"SP6ABC 144.3005 2m"_qs, u"DL2QRP  2m"_qs}));
}

// FREQ of an imported record is kept in Freq, and written back as it came.
TEST(Frequency, ImportedWithTheRecordAndWrittenBack)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    const QByteArray file = "<EOH>\n"
                            "<CALL:6>OK1KIR<QSO_DATE:8>20260606<TIME_ON:4>1405<FREQ:8>144.3001<MODE:3>SSB<EOR>\n"
                            "<CALL:6>DL1ABC<QSO_DATE:8>20260606<TIME_ON:4>1406<BAND:4>70cm<MODE:2>FM<EOR>\n"
                            "<CALL:6>SP6ABC<QSO_DATE:8>20260606<TIME_ON:4>1407<BAND:2>2m<FREQ:3>inf<MODE:2>CW<EOR>\n";
    const AdifImportResult imported = importAdif(*log, file, {u"DL7ABC"_qs, u"JO62QM"_qs});
    ASSERT_TRUE(imported.ok) << imported.error.toStdString();
    EXPECT_EQ(test::column0(*log, u"SELECT Callsign || ' ' || quote(Freq) || ' ' || Band FROM logtab ORDER BY ID"_qs),
              QStringList({u"OK1KIR 144.3001 144.3001"_qs, u"DL1ABC NULL 432"_qs, u"SP6ABC NULL 144"_qs}));

    const QString adi = dir.filePath(u"again.adi"_qs);
    const AdifExportResult result
        = exportAdif(*log, {}, {u"DL7ABC"_qs, u"JO62QM"_qs}, adi, QDateTime::currentDateTimeUtc(), {});
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    const QJsonArray records = test::recordsByAdifParserTs(adi);
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records[0].toObject().value(u"freq"_qs).toString(), u"144.3001"_qs);
    EXPECT_FALSE(records[1].toObject().contains(u"freq"_qs));
}

} // namespace
} // namespace mivra
