#include "crc16.h"

namespace sonde {

namespace {
uint16_t reflect16(uint16_t v) {
    uint16_t r = 0;
    for (int i = 0; i < 16; i++)
        if (v >> i & 1u) r = static_cast<uint16_t>(r | 1u << (15 - i));
    return r;
}
}  // namespace

uint16_t crc16(const Crc16Params& p, const uint8_t* bytes, int len) {
    unsigned crc;
    if (p.reflected) {
        // Shifted right with the reflected polynomial: the register holds
        // the reflected CRC, which is the result.
        const unsigned poly = reflect16(p.poly);
        crc = reflect16(p.init);
        for (int i = 0; i < len; i++) {
            crc ^= bytes[i];
            for (int b = 0; b < 8; b++) crc = (crc & 1u) ? (crc >> 1) ^ poly : crc >> 1;
        }
    } else {
        crc = p.init;
        for (int i = 0; i < len; i++) {
            crc ^= static_cast<unsigned>(bytes[i]) << 8;
            for (int b = 0; b < 8; b++) crc = ((crc & 0x8000u) ? (crc << 1) ^ p.poly : crc << 1) & 0xFFFFu;
        }
    }
    return static_cast<uint16_t>(crc);
}

}  // namespace sonde
