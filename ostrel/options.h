// Command-line flags, set once by the argument scan.
#pragma once

#include "ostrel/tone_detector.h"

namespace sonde::ostrel {

struct OstrelOptions {
    int option_csv = 0;
    int option_verbose = 0;  // accepted; no output depends on it
    int option_raw = 0;
    int option_rawbits = 0;
    int option_json = 0;                           // JSON Lines instead of hexadecimal and GPS lines
    ToneMethod option_dft = ToneMethod::two_bins;  // -d1, -d2
    int option_robust = 0;                         // weak-signal receive path
};

}  // namespace sonde::ostrel
