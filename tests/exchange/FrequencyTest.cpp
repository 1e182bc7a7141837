#include "ExchangeTestSupport.h"

#include "AdifExport.h"
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
    qso.grid = QStringLiteral("JO70FD");
    qso.band = QString::fromLatin1(band);
    qso.mode = QStringLiteral("FM");
    qso.frequencyMHz = frequency;
    return qso;
}

int columnCount(const LogDatabase& log)
{
    return test::column0(log, u"SELECT count(*) FROM pragma_table_info('logtab')"_qs).value(0).toInt();
}

// The radio's exact frequency: Freq is added by the first contact that has one, in the same
// transaction as its row, and ADIF writes it as FREQ.
TEST(Frequency, ColumnAddedWithTheFirstFrequencyAndExported)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    const int before = columnCount(*log);
    ASSERT_TRUE(log->saveQso(contactWith("DL1ABC", "144", std::nullopt)));
    EXPECT_EQ(columnCount(*log), before) << "a contact without frequency changed the layout";

    // Refused row (no callsign): neither the row nor the column stays.
    EXPECT_FALSE(log->saveQso(contactWith("", "432", 432.2)));
    EXPECT_EQ(columnCount(*log), before);

    ASSERT_TRUE(log->saveQso(contactWith("OK1KIR", "432", 432.2)));
    EXPECT_EQ(columnCount(*log), before + 1);
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
    const AdifExportResult result = exportAdif(*log, {}, {u"DL7ABC"_qs, u"JO62QM"_qs}, file, QDateTime::currentDateTimeUtc(), {});
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    const QJsonArray records = test::recordsByAdifParserTs(file);
    ASSERT_EQ(records.size(), 4);
    QStringList frequencies;
    for (const QJsonValue& record : records)
        frequencies << record.toObject().value(u"call"_qs).toString() + u' ' + record.toObject().value(u"freq"_qs).toString()
                           + u' ' + record.toObject().value(u"band"_qs).toString();
    EXPECT_EQ(frequencies, QStringList({u"DL1ABC  2m"_qs, u"OK1KIR 432.2 70cm"_qs, u"SP6ABC 144.3005 2m"_qs,
                                        u"DL2QRP  2m"_qs}));
}

} // namespace
} // namespace mivra
