// One JSON object on one line (JSON Lines): keys in the order written,
// numbers in the shortest form that reads back to the same value, never
// NaN or Infinity (such a key is left out), strings escaped.
#pragma once

#include <cstdint>

#include "io/line_out.h"
#include "frame/rx_quality.h"

namespace sonde {

struct JsonLine {
    LineBuf& line;
    bool first = true;
    explicit JsonLine(LineBuf& l);  // writes "{"
};

void json_string(JsonLine& j, const char* key, const char* value);
void json_int(JsonLine& j, const char* key, long long value);
void json_bool(JsonLine& j, const char* key, bool value);
void json_double(JsonLine& j, const char* key, double value);
// The shortest form of the single-precision value: 48.1, not 48.099998.
void json_float(JsonLine& j, const char* key, float value);
// A 16-bit check as four lower-case hex digits.
void json_hex16(JsonLine& j, const char* key, unsigned value);
// Bytes as lower-case hex digits, no spaces.
void json_bytes(JsonLine& j, const char* key, const uint8_t* bytes, int n);
// corrected, snr_db and dc, when the block is present.
void json_quality(JsonLine& j, const RxQuality& q);
// "}" and the line end.
void json_end(JsonLine& j);

// True for a calendar date and time of day (second 60 allowed for a leap
// second); such values can go into an ISO 8601 datetime.
bool is_calendar_time(int year, int month, int day, int hour, int minute, int second);

}  // namespace sonde
