// One frame as the output forms see it: filled by the frame layer (bits,
// bytes, type, check, fields, filter), turned into a line by the formatters,
// which decode nothing themselves.
#pragma once

#include <cstdint>

#include "frame/rx_quality.h"
#include "vardo/field_decoders.h"
#include "vardo/frame_layout.h"

namespace sonde::vardo {

struct FrameRecord {
    const char* channel_bits = nullptr;  // as received, '0'/'1', NUL-terminated
    const uint8_t* bytes = nullptr;      // the frame, FRAME_LEN + auxlen bytes and more
    FrameLayout layout;                  // lengths, field positions and type (0, 1 or 2) of this frame
    unsigned type_bytes = 0;             // bytes 0 and 1, high byte first
    uint16_t check_stored = 0;
    uint16_t check_computed = 0;
    bool check_ok = false;  // the check alone
    bool ok = false;        // check and position filter: the report's mark
    int frame_counter = 0;
    Datum datum;
    bool has_temperature = false;  // a reading in range, before the check
    float temperature = 0.0f;      // degrees Celsius, when has_temperature
    sonde::RxQuality quality;
};

// Bytes of the hexadecimal line: the nominal length and the extension.
inline int hex_byte_count(const FrameRecord& r) { return r.layout.FRAME_LEN + r.layout.auxlen; }

}  // namespace sonde::vardo
