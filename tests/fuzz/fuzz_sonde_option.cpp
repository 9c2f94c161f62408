// Fuzz target: rxchain's --sonde word (FILE[:key=value]...) and its
// frequency values. Whatever the text, the parser returns; what it accepts
// is a usable transmitter: a file name, finite values where given, a start
// at or after 0 and a stop after it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sonde_option.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    rxchain::SondeOption entry;
    std::string error;
    if (rxchain::parse_sonde_option(text, entry, error)) {
        if (entry.path.empty() || !error.empty()) __builtin_trap();
        if (!(entry.start_s >= 0.0) || !(entry.stop_s > entry.start_s)) __builtin_trap();
        for (double v : {entry.ebn0_db, entry.offset_hz, entry.drift_hz_per_s})
            if (std::isinf(v)) __builtin_trap();
    } else if (error.empty()) {
        __builtin_trap();
    }
    double hz = 0.0;
    if (rxchain::parse_hz(text, hz) && !std::isfinite(hz)) __builtin_trap();
    return 0;
}
