// CRC-16/MODBUS: polynomial 0x8005 taken least significant bit first,
// initial value 0xFFFF, no final XOR. Check value over "123456789": 0x4B37.
#pragma once

#include <cstdint>

constexpr int crc16poly = 0xA001;  // 0x8005 bit-reversed

int crc16rev(const uint8_t* bytes, int len);
