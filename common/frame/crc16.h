// CRC-16 described by its catalogue parameters: polynomial (normal form),
// initial register, and whether input bytes and result are reflected (no
// final XOR). One bitwise routine serves every variant the decoders use.
#pragma once

#include <cstdint>

namespace sonde {

struct Crc16Params {
    uint16_t poly = 0;
    uint16_t init = 0;
    bool reflected = false;
};

// CRC-16/MODBUS: check value over "123456789" 0x4B37.
constexpr Crc16Params kCrc16Modbus{0x8005, 0xFFFF, true};
// CRC-16/AUG-CCITT: check value over "123456789" 0xE5CC.
constexpr Crc16Params kCrc16AugCcitt{0x1021, 0x1D0F, false};

// CRC of bytes 0 .. len - 1 (the initial register for len <= 0).
uint16_t crc16(const Crc16Params& p, const uint8_t* bytes, int len);

}  // namespace sonde
