// Command-line values of the I/Q capture: frequencies with k and M
// suffixes, and one transmitter of a mix described in one word,
//   FILE[:key=value]...   keys kind, ebn0, offset, drift, start, stop
// e.g. v1.wav:kind=vardo:ebn0=12:offset=-600k:drift=5:start=0:stop=90.
#pragma once

#include <limits>
#include <string>
#include <string_view>

namespace rxchain {

// A frequency in Hz, optionally signed, with an optional k or K (1e3) or M
// (1e6) suffix, as rates are written: 250000, 250k, 2.048M, -600k, +300k.
// False for anything else.
bool parse_hz(std::string_view text, double& hz);

// A plain number (strtod's syntax, the whole text, finite).
bool parse_number(std::string_view text, double& v);

// One sonde of a mix. Keys not given stay unset (NaN, empty) and take the
// global option of the same meaning.
struct SondeOption {
    std::string path;
    std::string kind;  // vardo, pelkin or ostrel (afsk), empty: --profile's
    double ebn0_db = std::numeric_limits<double>::quiet_NaN();
    double offset_hz = std::numeric_limits<double>::quiet_NaN();
    double drift_hz_per_s = std::numeric_limits<double>::quiet_NaN();
    double start_s = 0.0;                                     // its recording's first sample goes out here
    double stop_s = std::numeric_limits<double>::infinity();  // the carrier goes off here at the latest
};

// Parses FILE[:key=value]...; on failure returns false with a message in
// error. The file name itself cannot hold a ':'.
bool parse_sonde_option(std::string_view text, SondeOption& entry, std::string& error);

}  // namespace rxchain
