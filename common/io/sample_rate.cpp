#include "io/sample_rate.h"

namespace sonde {

namespace {

constexpr int64_t kRateLimit = 1'000'000'000'000;  // far above any sample rate; keeps the arithmetic in range

constexpr const char* kHowToWrite = "give it in hertz, as 48000, 48k or 2.048M";

InputError bad(const char* text, const std::string& why) {
    std::string m = "\"";  // appended piece by piece: GCC 12 warns falsely on "literal" + std::string
    m.append(text).append("\" ").append(why);
    return input_error(InputErrorCode::bad_rate, m);
}

}  // namespace

InputError parse_rate(const char* text, int64_t& hz) {
    if (text == nullptr || *text == '\0')
        return input_error(InputErrorCode::bad_rate, std::string("the rate is empty: ") + kHowToWrite);
    int64_t whole = 0;        // all digits, the point ignored
    int fraction_digits = 0;  // digits after the point
    bool point = false;
    int digits = 0;
    const char* p = text;
    for (; *p != '\0'; p++) {
        if (*p >= '0' && *p <= '9') {
            if (whole > kRateLimit) return bad(text, "is too large for a rate");
            whole = whole * 10 + (*p - '0');
            digits++;
            if (point) fraction_digits++;
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    int64_t scale = 1;
    if (*p == 'k' || *p == 'K') {
        scale = 1000;
        p++;
    } else if (*p == 'M') {
        scale = 1000000;
        p++;
    }
    if (digits == 0 || *p != '\0') return bad(text, std::string("is not a rate: ") + kHowToWrite);
    int64_t divisor = 1;
    for (int i = 0; i < fraction_digits; i++) divisor *= 10;
    if (whole > kRateLimit) return bad(text, "is too large for a rate");
    const int64_t scaled = whole * scale;  // < 2^63: whole <= 10^13, scale <= 10^6
    if (scaled % divisor != 0) return bad(text, "is not a whole number of hertz");
    if (scaled / divisor > kRateLimit) return bad(text, "is too large for a rate");
    hz = scaled / divisor;
    return {};
}

std::string format_rate(int64_t hz) {
    for (auto [scale, suffix] : {std::pair<int64_t, const char*>{1000000, "M"}, {1000, "k"}}) {
        if (hz < scale || hz % (scale / 1000) != 0) continue;
        // Up to three decimals, trailing zeros dropped.
        std::string s = std::to_string(hz / scale);
        int64_t rest = hz % scale / (scale / 1000);
        if (rest != 0) {
            std::string frac = std::to_string(rest + 1000).substr(1);
            while (frac.back() == '0') frac.pop_back();
            s += "." + frac;
        }
        return s + suffix;
    }
    return std::to_string(hz);
}

InputError check_rate(int64_t hz, bool iq, const std::string& subject) {
    const int64_t lo = iq ? kIqRateMin : kAudioRateMin;
    const int64_t hi = iq ? kIqRateMax : kAudioRateMax;
    if (hz >= lo && hz <= hi) return {};
    return input_error(InputErrorCode::rate_out_of_range,
                       subject + " is " + std::to_string(hz) + " Hz, out of range: " + (iq ? "I/Q" : "audio") +
                           " sample rates from " + format_rate(lo) + " to " + format_rate(hi) + " are read");
}

}  // namespace sonde
