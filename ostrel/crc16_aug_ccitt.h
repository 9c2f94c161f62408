// CRC-16/AUG-CCITT (also known as CRC-16/SPI-FUJITSU): polynomial 0x1021,
// initial value 0x1D0F, no reflection, no final XOR. Check value over
// "123456789" is 0xE5CC.
#pragma once

#include <cstddef>

constexpr int kCrc16Poly = 0x1021;
constexpr int kCrc16Init = 0x1D0F;

int crc16(const unsigned char* data, int len, int poly = kCrc16Poly);
