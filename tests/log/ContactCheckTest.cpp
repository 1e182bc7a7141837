#include "ContactCheck.h"

#include <gtest/gtest.h>

#include <optional>

namespace mivra {
namespace {

struct Case {
    const char* text;
    const char* stored; // nullptr: refused
};

using Check = std::optional<QString> (*)(const QString&, QString*);

void expectCases(Check check, std::initializer_list<Case> cases, const char* fieldName)
{
    for (const Case& c : cases) {
        QString reason;
        const std::optional<QString> stored = check(QString::fromUtf8(c.text), &reason);
        if (c.stored) {
            ASSERT_TRUE(stored.has_value()) << c.text << ": " << reason.toStdString();
            EXPECT_EQ(stored->toStdString(), c.stored) << c.text;
        } else {
            EXPECT_FALSE(stored.has_value()) << c.text << " was accepted as " << stored->toStdString();
            EXPECT_TRUE(reason.startsWith(QString::fromLatin1(fieldName) + u':')) << reason.toStdString();
            if (!QString::fromUtf8(c.text).trimmed().isEmpty()) {
                EXPECT_TRUE(reason.contains(QString::fromUtf8(c.text))) << reason.toStdString();
            }
        }
    }
}

TEST(ContactCheck, DateIsARealCalendarDay)
{
    expectCases(&checkedDate,
                {{"2026-03-14", "2026-03-14"},
                 {"2026-3-4", nullptr},
                 {"14.03.2026", "2026-03-14"},
                 {"2026-03-04 00:00:00", "2026-03-04"},
                 {" 2024-02-29 ", "2024-02-29"},
                 {"2026-13-45", nullptr},
                 {"2025-02-29", nullptr},
                 {"2026-04-31", nullptr},
                 {"31.04.2026", nullptr},
                 {"", nullptr},
                 {"26-03-14", nullptr},
                 {"2026/03/14", nullptr},
                 {"2026-03-14x", nullptr},
                 {"2026-+3-14", nullptr},
                 {"0999-01-01", nullptr},
                 {"yesterday", nullptr},
                 // The first year taken, in both forms, and the day before it.
                 {"1900-01-01", "1900-01-01"},
                 {"01.01.1900", "1900-01-01"},
                 {"1899-12-31", nullptr},
                 {"31.12.1899", nullptr}},
                "Date");
}

TEST(ContactCheck, TimeIsATimeOfDay)
{
    expectCases(&checkedTime,
                {{"12:34", "12:34"},
                 {"9:05", "09:05"},
                 {"0000", "00:00"},
                 {"2359", "23:59"},
                 {"23:59:59", "23:59"},
                 {"00:00", "00:00"},
                 {"25:99", nullptr},
                 {"24:00", nullptr},
                 {"12:60", nullptr},
                 {"12:5", nullptr},
                 {"123", nullptr},
                 {"12:34:60", nullptr},
                 {"", nullptr},
                 {"ab:cd", nullptr},
                 {"-1:30", nullptr}},
                "GMT");
}

TEST(ContactCheck, BandIsOneTheBandFilterFinds)
{
    expectCases(
        &checkedBand,
        {{"144", "144"},         {"432", "432"},       {"14200", "14200"},   {"1840", "1840"},    {"122250", "122250"},
         {"2m", "144"},          {"2M", "144"},        {"70cm", "432"},      {"23cm", "1296"},    {"20m", "14200"},
         {"144.300", "144.300"}, {"1296.2", "1296.2"}, {"50.150", "50.150"}, {" 432 ", "432"},    {"145.500", nullptr},
         {"14074", nullptr},     {"11m", nullptr},     {"60m", "5357"},      {"", nullptr},       {"2190m", "136"},
         {"136", "136"},         {"630m", "472"},      {"8m", "40"},         {"1.25m", "222"},    {"222.1", "222.1"},
         {"33cm", "903"},        {"903.1", "903.1"},   {"2mm", "134000"},    {"submm", "300000"}, {"902.1", nullptr},
         {"144e0", nullptr},     {"1440", nullptr},    {"122G", nullptr},    {"abc", nullptr},    {"144,300", nullptr}},
        "Band");
}

TEST(ContactCheck, QslStateIsOneLetterOfTheVocabulary)
{
    expectCases(&checkedQslState,
                {{"Y", "Y"},
                 {"y", "Y"},
                 {"q", "Q"},
                 {"N", "N"},
                 {"t", "T"},
                 {"S", "S"},
                 {"b", "B"},
                 {"D", "D"},
                 {"X", nullptr},
                 {"YY", nullptr},
                 {"", nullptr},
                 {"1", nullptr}},
                "QSL");
}

TEST(ContactCheck, CallsignAndLocator)
{
    expectCases(&checkedCallsign,
                {{"sp9abc", "SP9ABC"}, {"DL1ABC/P", "DL1ABC/P"}, {" dl1'x ", "DL1'X"}, {"", nullptr}, {"  ", nullptr}},
                "Callsign");
    expectCases(&checkedLocator,
                {{"jo62qm", "JO62QM"}, {"JO62", "JO62"}, {"", ""}, {"JO6", nullptr}, {"ZZ99AA", nullptr}}, "Grid");
}

TEST(ContactCheck, LocatorFaultNamesTheCharacterOrTheLength)
{
    const struct {
        const char* text;
        const char* fault;
    } cases[] = {
        {"JO62QM", ""},
        {"JO62", ""},
        {"JO6", "it has 3 characters; a locator has 4, 6, 8 or 10"},
        {"J", "it has 1 character; a locator has 4, 6, 8 or 10"},
        {"JO62Q", "it has 5 characters; a locator has 4, 6, 8 or 10"},
        {"SO62QM", "the 1st character \"S\" must be a letter A-R"},
        {"J062QM", "the 2nd character \"0\" must be a letter A-R"},
        {"JOA2QM", "the 3rd character \"A\" must be a digit 0-9"},
        {"JO62-M", "the 5th character \"-\" must be a letter A-X"},
        {"JO62QM5A", "the 8th character \"A\" must be a digit 0-9"},
        {"JO62QM55A5", "the 10th character \"5\" must be a letter A-X"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(locatorFault(QLatin1String(c.text)), QLatin1String(c.fault)) << c.text;
    QString reason;
    EXPECT_FALSE(checkedLocator(QStringLiteral("jo62q"), &reason));
    EXPECT_TRUE(reason.contains(QLatin1String("\"jo62q\" is not a locator (it has 5 characters")))
        << reason.toStdString();
}

TEST(ContactCheck, ColumnsByNameAnyCase)
{
    QString reason;
    EXPECT_EQ(checkedColumn(QStringLiteral("qsl"), QStringLiteral("q"), &reason), QStringLiteral("Q"));
    EXPECT_EQ(checkedColumn(QStringLiteral("band"), QStringLiteral("2m"), &reason), QStringLiteral("144"));
    EXPECT_FALSE(checkedColumn(QStringLiteral("Date"), QStringLiteral("2026-13-45"), &reason));
    EXPECT_EQ(checkedColumn(QStringLiteral("QSLman"), QStringLiteral("dl1xyz"), &reason), QStringLiteral("dl1xyz"));
}

TEST(ContactCheck, WholeContactGivesStoredFormsOrTheFirstFieldAtFault)
{
    Contact qso;
    qso.date = QStringLiteral("14.03.2026");
    qso.gmt = QStringLiteral("1830");
    qso.callsign = QStringLiteral("sp9abc");
    qso.locator = QStringLiteral("jo90aa");
    qso.band = QStringLiteral("2m");
    qso.qsl = QStringLiteral("y");
    qso.comment = QStringLiteral("as typed");
    ContactRefusal refusal;
    const std::optional<Contact> checked = checkedContact(qso, &refusal);
    ASSERT_TRUE(checked);
    EXPECT_EQ(checked->date, QStringLiteral("2026-03-14"));
    EXPECT_EQ(checked->gmt, QStringLiteral("18:30"));
    EXPECT_EQ(checked->callsign, QStringLiteral("SP9ABC"));
    EXPECT_EQ(checked->locator, QStringLiteral("JO90AA"));
    EXPECT_EQ(checked->band, QStringLiteral("144"));
    EXPECT_EQ(checked->qsl, QStringLiteral("Y"));
    EXPECT_EQ(checked->comment, QStringLiteral("as typed"));

    qso.gmt = QStringLiteral("25:99");
    qso.band = QStringLiteral("11m");
    EXPECT_FALSE(checkedContact(qso, &refusal));
    EXPECT_EQ(refusal.column, QStringLiteral("GMT"));
    qso.gmt = QStringLiteral("18:30");
    EXPECT_FALSE(checkedContact(qso, &refusal));
    EXPECT_EQ(refusal.column, QStringLiteral("Band"));
}

} // namespace
} // namespace mivra
