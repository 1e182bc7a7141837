#include "StoredDateTime.h"

#include <gtest/gtest.h>

namespace mivra {
namespace {

struct DateCase {
    const char* text;
    QDate expected; // invalid: refused
};

TEST(StoredDateTime, DatesInEveryFormTheLogHolds)
{
    const DateCase cases[] = {
        {"2026-06-07", QDate(2026, 6, 7)},
        {" 2026-06-07 ", QDate(2026, 6, 7)},
        {"07.06.2026", QDate(2026, 6, 7)},
        {"2026-06-07 14:05:00", QDate(2026, 6, 7)},
        {"2026-06-07T14:05", QDate(2026, 6, 7)},
        {"2024-02-29", QDate(2024, 2, 29)},
        {"2026-02-29", QDate()},
        {"2026-13-45", QDate()},
        {"2026-6-7", QDate()},
        {"20260607", QDate()},
        {"2026-06-0x", QDate()},
        {"", QDate()},
    };
    for (const DateCase& c : cases)
        EXPECT_EQ(readStoredDate(QString::fromLatin1(c.text)), c.expected) << c.text;
}

struct TimeCase {
    const char* text;
    QTime expected;
};

TEST(StoredDateTime, TimesInEveryFormTheLogHolds)
{
    const TimeCase cases[] = {
        {"07:05", QTime(7, 5)},      {"7:05", QTime(7, 5)},         {"0705", QTime(7, 5)},
        {"07:05:30", QTime(7, 5, 30)}, {"7:05:30", QTime(7, 5, 30)}, {"23:59", QTime(23, 59)},
        {"00:00", QTime(0, 0)},      {"24:00", QTime()},            {"25:99", QTime()},
        {"12:60", QTime()},          {"7:5", QTime()},              {"705", QTime()},
        {"07:05:", QTime()},         {"ab:cd", QTime()},            {"", QTime()},
    };
    for (const TimeCase& c : cases)
        EXPECT_EQ(readStoredTime(QString::fromLatin1(c.text)), c.expected) << c.text;
}

TEST(StoredDateTime, BothTogetherAreUtcAndInvalidWhenEitherIs)
{
    const QDateTime both = readStoredDateTime(u"07.06.2026", u"7:05");
    EXPECT_EQ(both, QDateTime(QDate(2026, 6, 7), QTime(7, 5), Qt::UTC));
    EXPECT_EQ(both.timeSpec(), Qt::UTC);
    EXPECT_FALSE(readStoredDateTime(u"2026-06-07", u"25:00").isValid());
    EXPECT_FALSE(readStoredDateTime(u"2026-13-01", u"12:00").isValid());
    EXPECT_EQ(storedDateText(QDate(2026, 6, 7)) + u' ' + storedTimeText(QTime(7, 5)), QStringLiteral("2026-06-07 07:05"));
}

TEST(StoredDateTime, WrittenFormsReadBackAndMatchIsoDates)
{
    for (const QDate date : {QDate(2026, 12, 31), QDate(1999, 1, 1), QDate(999, 3, 4), QDate(1, 1, 1), QDate(9999, 12, 31),
                             QDate(-44, 3, 15), QDate(10000, 1, 1), QDate()}) {
        EXPECT_EQ(storedDateText(date), date.toString(Qt::ISODate)) << date.toString().toStdString();
        if (date.year() > 0 && date.year() < 10000) {
            EXPECT_EQ(readStoredDate(storedDateText(date)), date);
        }
    }
    for (const QTime time : {QTime(0, 0), QTime(23, 59, 59), QTime(9, 7), QTime()}) {
        EXPECT_EQ(storedTimeText(time), time.toString(u"HH:mm"));
        if (time.isValid()) {
            EXPECT_EQ(readStoredTime(storedTimeText(time)), QTime(time.hour(), time.minute()));
        }
    }
}

} // namespace
} // namespace mivra
