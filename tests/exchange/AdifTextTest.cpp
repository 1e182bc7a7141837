#include "ExchangeTestSupport.h"

#include "AdifExport.h"
#include "AdifFields.h"

#include <QDateTime>
#include <QSqlError>

namespace mivra {
namespace {

TEST(AdifText, LettersWithoutDecompositionAreTransliterated)
{
    const std::pair<QString, QString> cases[] = {
        {u"Søren"_qs, u"Soren"_qs},   {u"Łódź"_qs, u"Lodz"_qs},   {u"Đuro"_qs, u"Duro"_qs},
        {u"Æsa"_qs, u"AEsa"_qs},      {u"Œuvre"_qs, u"OEuvre"_qs}, {u"Þór"_qs, u"THor"_qs},
        {u"Straße"_qs, u"Strasse"_qs}, {u"Zdeněk"_qs, u"Zdenek"_qs}, {u"Ærø Ħal"_qs, u"AEro Hal"_qs},
        {u"„Höhe“ – ok"_qs, u"\"Hohe\" - ok"_qs}, {u"QTH 日本"_qs, u"QTH ??"_qs}, {u"a\tb"_qs, u"a b"_qs},
    };
    for (const auto& [text, ascii] : cases)
        EXPECT_EQ(adif::asciiText(text), ascii) << text.toStdString();
}

TEST(AdifText, PropagationModesOfTheWholeEnumerationAreExported)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Tr", "TR"}, {"Au", "AUR"}, {"Es", "ES"}, {"Rs", "RS"}, {"Ms", "MS"}, {"EME", "EME"},
        {"F2", "F2"}, {"tep", "TEP"}, {"SAT", "SAT"}, {"", ""}, {"xyz", ""}, {"EM", ""}};
    for (const auto& [code, mode] : cases)
        EXPECT_EQ(adif::propModeOfCode(QLatin1String(code)), QLatin1String(mode)) << code;
}

// The name and the propagation as another program reads them from the file.
TEST(AdifText, AnotherReaderFindsTheAsciiNameTheExactNameAndThePropagation)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    QSqlQuery query(log->database());
    ASSERT_TRUE(query.exec(u"INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam, Prop)"
                           " VALUES ('2026-06-06', '14:05', 'OZ1ABC', 'JO65', '59', '59', '144', 'SSB', 'Søren', 'EME'),"
                           " ('2026-06-06', '14:06', 'SP9ABC', 'JO90', '59', '59', '144', 'SSB', 'Łukasz', 'eme')"_qs))
        << query.lastError().text().toStdString();
    const QString file = dir.filePath(u"log.adi"_qs);
    const AdifExportResult exported =
        exportAdif(*log, {}, {u"DL7ABC"_qs, u"JO62QM"_qs}, file, QDateTime(QDate(2026, 6, 8), QTime(7, 0), Qt::UTC));
    ASSERT_TRUE(exported.ok) << exported.error.toStdString();
    const QJsonArray records = test::recordsByAdifParserTs(file);
    ASSERT_EQ(records.size(), 2);
    const QJsonObject soren = records[0].toObject();
    EXPECT_EQ(soren.value(u"name"_qs).toString(), u"Soren"_qs);
    EXPECT_EQ(adif::percentDecoded(soren.value(u"app_mivra_name_utf8"_qs).toString()), u"Søren"_qs);
    EXPECT_EQ(soren.value(u"prop_mode"_qs).toString(), u"EME"_qs);
    EXPECT_FALSE(soren.contains(u"app_mivra_prop"_qs)); // the code is the ADIF value itself
    const QJsonObject lukasz = records[1].toObject();
    EXPECT_EQ(lukasz.value(u"name"_qs).toString(), u"Lukasz"_qs);
    EXPECT_EQ(lukasz.value(u"prop_mode"_qs).toString(), u"EME"_qs);
    EXPECT_EQ(lukasz.value(u"app_mivra_prop"_qs).toString(), u"eme"_qs); // its spelling kept for the way back
}

} // namespace
} // namespace mivra
