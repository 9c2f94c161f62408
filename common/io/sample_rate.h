// Sample rates as people write them ("48000", "48k", "2.048M") and the
// ranges the receivers take.
#pragma once

#include <cstdint>
#include <string>

#include "io/input_error.h"

namespace sonde {

constexpr int64_t kAudioRateMin = 8000;
constexpr int64_t kAudioRateMax = 768000;
constexpr int64_t kIqRateMin = 96000;
constexpr int64_t kIqRateMax = 3200000;

// Parses a whole number of hertz, optionally with a k (x1000) or M
// (x1000000) suffix and a decimal point before it: "250000", "1.5k",
// "2.048M". Exact (no floating point); a result with a fraction of a hertz is
// refused. Fails with bad_rate.
InputError parse_rate(const char* text, int64_t& hz);

// An exact short form for messages: 96000 -> "96k", 3200000 -> "3.2M",
// 44100 -> "44.1k", 2048500 -> "2048.5k", 500 -> "500".
std::string format_rate(int64_t hz);

// rate_out_of_range unless hz is within the range for audio or I/Q. subject
// starts the message: "the rate" gives "the rate is 50000 Hz, out of range:
// I/Q sample rates from 96k to 3.2M are read".
InputError check_rate(int64_t hz, bool iq, const std::string& subject);

}  // namespace sonde
