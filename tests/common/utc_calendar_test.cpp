#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "frame/utc_calendar.h"

namespace {

std::string text(const sonde::UtcTime& u) {
    char s[48];
    std::snprintf(s, sizeof s, "%04lld-%02d-%02d %02d:%02d:%02d", static_cast<long long>(u.year), u.month, u.day,
                  u.hour, u.minute, u.second);
    return s;
}

}  // namespace

// Known instants (from Python's datetime): both sides of 2^31 seconds, leap
// days of years divisible by 400 and not by 100, and far from 1970 both ways.
TEST(UtcCalendar, KnownInstants) {
    const struct {
        long long t;
        const char* date;
    } cases[] = {
        {0, "1970-01-01 00:00:00"},
        {-1, "1969-12-31 23:59:59"},
        {315964800, "1980-01-06 00:00:00"},
        {951782400, "2000-02-29 00:00:00"},
        {2147483647, "2038-01-19 03:14:07"},
        {2147483648, "2038-01-19 03:14:08"},
        {4107542399, "2100-02-28 23:59:59"},
        {4107542400, "2100-03-01 00:00:00"},
        {32503680000, "3000-01-01 00:00:00"},
        {253402300799, "9999-12-31 23:59:59"},
        {-62135596800, "0001-01-01 00:00:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(text(sonde::utc_time(c.t)), c.date) << c.t;
}

// Where the platform's time_t has 64 bits, gmtime_r agrees over 1 to 9999
// (a step that is prime to the day visits every time of day).
TEST(UtcCalendar, AgreesWithGmtimeWhereTimeTIsWide) {
    if (sizeof(std::time_t) < 8) GTEST_SKIP() << "32-bit time_t";
    for (long long t = -62135596800; t < 253402300800; t += 1000003 * 37) {
        const std::time_t tt = static_cast<std::time_t>(t);
        std::tm tm{};
        ASSERT_NE(gmtime_r(&tt, &tm), nullptr) << t;
        const sonde::UtcTime u = sonde::utc_time(t);
        ASSERT_EQ(u.year, tm.tm_year + 1900LL) << t;
        ASSERT_EQ(u.month, tm.tm_mon + 1) << t;
        ASSERT_EQ(u.day, tm.tm_mday) << t;
        ASSERT_EQ(u.hour * 3600 + u.minute * 60 + u.second, tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec) << t;
    }
}
