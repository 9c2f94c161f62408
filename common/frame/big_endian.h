// Multi-byte frame fields sent most significant byte first.
#pragma once

#include <cstdint>

namespace sonde {

inline uint32_t be_u16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }
inline int32_t be_s16(const uint8_t* p) { return static_cast<int16_t>(static_cast<uint16_t>(be_u16(p))); }
inline uint32_t be_u24(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
}
inline uint32_t be_u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}
inline int32_t be_s32(const uint8_t* p) { return static_cast<int32_t>(be_u32(p)); }

}  // namespace sonde
