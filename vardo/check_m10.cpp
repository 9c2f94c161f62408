#include "vardo/check_m10.h"

namespace sonde::vardo {

uint16_t update_checkM10(uint16_t k, uint8_t b) {
    unsigned b1 = ((b >> 1) | (b << 7)) & 0xFFu;
    unsigned b2 = b1 ^ (b1 >> 2);
    unsigned t = (k & 0x3Fu) | ((((k >> 2) ^ k ^ (k >> 4)) & 1u) << 6) | ((((k >> 1) ^ (k >> 3) ^ (k >> 5)) & 1u) << 7);
    unsigned u = (k >> 7) & 0xFFu;
    unsigned u2 = u ^ (u >> 2);
    return static_cast<uint16_t>(((k & 0xFFu) << 8) | (b2 ^ t ^ u2));
}

uint16_t checkM10(const uint8_t* bytes, int n) {
    uint16_t k = 0;
    for (int i = 0; i < n; i++) k = update_checkM10(k, bytes[i]);
    return k;
}

}  // namespace sonde::vardo
