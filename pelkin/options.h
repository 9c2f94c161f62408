// Command-line flags. Polarity (-i) and --res live in the slicer's state,
// where the bit readers use them.
#pragma once

namespace sonde::pelkin {

// Where a frame's bits come from after its sync word: the slicer's runs,
// or bit periods by integrate-and-dump (-b).
enum class FrameBitSource { slicer, integrate_dump };

// The frame as it came instead of the report: its bytes in hexadecimal (-r)
// or its bits (-R); the last of the two given counts.
enum class RawForm { none, hex, bits };

struct PelkinOptions {
    int option_verbose = 0;  // text lines add satellites and fix
    RawForm option_raw = RawForm::none;
    int option_good = 0;    // drop frames that fail the CRC (text and raw)
    int option_auto = 0;    // follow an inverted sync word
    int option_dc = 0;      // slice after the moving min/max DC filter
    int option_csv = 0;     // comma-separated lines
    int option_json = 0;    // JSON Lines instead of text, CSV and hexadecimal lines
    int option_robust = 0;  // weak-signal receiver instead of the slicer
    FrameBitSource option_b = FrameBitSource::slicer;
};

}  // namespace sonde::pelkin
