// CRC-16 described by its catalogue parameters: polynomial (normal form),
// initial register, whether input bytes and the result are reflected, and
// the final XOR. One bitwise routine serves every variant the decoders use.
#pragma once

#include <cstdint>

namespace sonde {

struct Crc16Params {
    uint16_t poly = 0;
    uint16_t init = 0;
    bool refin = false;
    bool refout = false;
    uint16_t xorout = 0;
};

// CRC-16/MODBUS: check value over "123456789" 0x4B37.
constexpr Crc16Params kCrc16Modbus{0x8005, 0xFFFF, true, true, 0x0000};
// CRC-16/AUG-CCITT: check value over "123456789" 0xE5CC.
constexpr Crc16Params kCrc16AugCcitt{0x1021, 0x1D0F, false, false, 0x0000};

// CRC of bytes 0 .. len - 1 (the initial register, reflected and XORed as
// the parameters say, for len <= 0).
uint16_t crc16(const Crc16Params& p, const uint8_t* bytes, int len);

}  // namespace sonde
