// One line of a decoder's JSON Lines output, read into a position fix.
#pragma once

#include <string>
#include <string_view>

#include "sondetrack/track.h"

namespace sondetrack {

enum class LineKind {
    blank,    // empty or white space only: skipped silently
    ignored,  // a frame without "ok": true (failed check, non-GPS packet)
    bad,      // not a JSON object, or a good frame without a usable position
    fix,      // a good frame with latitude, longitude and altitude
};

// Where a receiver found the sonde's signal: the carrier's frequency, or
// its offset from the centre of an I/Q capture whose centre was not given.
enum class CarrierKey { none, frequency, offset };

struct LineFix {
    LineKind kind = LineKind::blank;
    std::string track;        // "id" when the frame has one, else "decoder" (else "sonde")
    std::string decoder;      // "decoder", the kind; empty when the line has none
    bool has_serial = false;  // track is the sonde's serial ("id")
    CarrierKey carrier = CarrierKey::none;
    double carrier_hz = 0.0;  // "freq_hz", else "offset_hz"; finite
    Fix fix;                  // fix.time from "datetime" when it is a valid UTC time
    std::string clock;        // "time" (HH:MM:SS) when the frame has no "datetime"
};

LineFix read_json_line(std::string_view line);

// True for "YYYY-MM-DDTHH:MM:SS[.fff]Z" with calendar-valid fields.
bool valid_utc_datetime(std::string_view s);
// True for "HH:MM:SS" with HH < 24, MM < 60, SS < 60.
bool valid_clock(std::string_view s);
// True for "YYYY-MM-DD", a real calendar date.
bool valid_date(std::string_view s);

}  // namespace sondetrack
