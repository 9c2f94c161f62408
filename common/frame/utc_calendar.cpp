#include "frame/utc_calendar.h"

namespace sonde {

namespace {

// Floor division and remainder: the remainder has the sign of d (> 0).
int64_t floor_div(int64_t n, int64_t d) { return n / d - (n % d < 0 ? 1 : 0); }

}  // namespace

UtcTime utc_time(int64_t unix_seconds) {
    constexpr int64_t kSecondsPerDay = 86400;
    const int64_t days = floor_div(unix_seconds, kSecondsPerDay);
    const int64_t secs = unix_seconds - days * kSecondsPerDay;
    UtcTime u;
    u.hour = static_cast<int>(secs / 3600);
    u.minute = static_cast<int>(secs / 60 % 60);
    u.second = static_cast<int>(secs % 60);

    // Days counted from 0000-03-01 in 400-year eras of 146097 days: with the
    // year starting in March, the leap day is the era year's last day, and
    // the months from March on have a length pattern that (153 m + 2) / 5
    // gives.
    const int64_t z = days + 719468;
    const int64_t era = floor_div(z, 146097);
    const int64_t doe = z - era * 146097;                                       // 0..146096
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // 0..399
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);                // 0..365, from March 1
    const int64_t mp = (5 * doy + 2) / 153;                                     // 0..11, March = 0
    u.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    u.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    u.year = yoe + era * 400 + (u.month <= 2 ? 1 : 0);
    return u;
}

}  // namespace sonde
