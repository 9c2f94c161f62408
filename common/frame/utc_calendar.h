// Calendar date and time of day (UTC, proleptic Gregorian, no leap
// seconds) of a count of seconds since 1970-01-01 00:00:00, in 64-bit
// integers throughout: the platform's time_t is 32 bits on some targets
// (armhf), where gmtime_r wraps after January 2038.
#pragma once

#include <cstdint>

namespace sonde {

struct UtcTime {
    int64_t year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

UtcTime utc_time(int64_t unix_seconds);

}  // namespace sonde
