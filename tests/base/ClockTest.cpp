#include "Clock.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace mivra {
namespace {

// Contacts are logged in UTC whatever the computer's time zone.
TEST(ClockTest, SystemClockGivesUtcInAnyTimeZone)
{
    for (const char* zone : {"America/New_York", "Asia/Kolkata", "UTC"}) {
        ::setenv("TZ", zone, 1);
        ::tzset();
        const QDateTime before = QDateTime::currentDateTimeUtc();
        const QDateTime now = SystemClock().nowUtc();
        EXPECT_EQ(now.timeSpec(), Qt::UTC) << zone;
        EXPECT_LE(before.secsTo(now), 2) << zone;
        EXPECT_GE(before.secsTo(now), 0) << zone;
        EXPECT_EQ(now.toString(QStringLiteral("HH:mm")), now.toUTC().toString(QStringLiteral("HH:mm"))) << zone;
    }
    ::unsetenv("TZ");
    ::tzset();
}

} // namespace
} // namespace mivra
