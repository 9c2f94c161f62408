// One frame as the output forms see it: the frame layer fills bytes and CRC
// result, the report layer the fields; the formatters only format.
#pragma once

#include <cstdint>

#include "pelkin/field_decoders.h"
#include "frame/rx_quality.h"

namespace sonde::pelkin {

struct FrameRecord {
    const uint8_t* bytes = nullptr;  // frame bytes 0..49: preamble, body, CRC
    const char* bits = nullptr;      // the 500 frame bits, '0'/'1', for the bit dump
    int written = 0;                 // body bytes this capture delivered
    int crc_stored = 0;
    int crc_computed = 0;
    bool crc_match = false;  // the two CRCs agree
    bool good = false;       // they agree and the stored CRC was received
    Datum datum{};
    sonde::RxQuality quality{};
};

}  // namespace sonde::pelkin
