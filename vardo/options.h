// Command-line flags, set once by the argument scan.
#pragma once

namespace sonde::vardo {

// Where a frame's bits come from after its sync word: the slicer's runs,
// or integrate-and-dump channel bits (-b1) or symbols (-b2).
enum class FrameBitSource { slicer, channel_bits, symbols };

// What the report and hexadecimal lines add: nothing, the check's verdict
// (-v), or the verdict and the temperature (-vv).
enum class Verbosity { quiet, verdict, temperature };

struct VardoOptions {
    Verbosity option_verbose = Verbosity::quiet;
    int option_raw = 0;  // hexadecimal frames
    int option_saveframes = 0;
    int option_color = 0;
    int option_good = 0;  // good frames only
    FrameBitSource option_b = FrameBitSource::slicer;
    int option_csv = 0;
    int option_rawbits = 0;
    int option_json = 0;    // JSON Lines instead of report, CSV and hexadecimal lines
    int option_robust = 0;  // weak-signal receiver instead of the slicer
};

}  // namespace sonde::vardo
