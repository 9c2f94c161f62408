#include <gtest/gtest.h>

#include <cstring>

#include "frame/crc16.h"
#include "pelkin/pelkin_synth.h"

namespace {
int crc16rev(const uint8_t* bytes, int len) { return sonde::crc16(sonde::kCrc16Modbus, bytes, len); }
}  // namespace

TEST(Crc16Modbus, CatalogueCheckValue) {
    const char* text = "123456789";
    EXPECT_EQ(crc16rev(reinterpret_cast<const uint8_t*>(text), 9), 0x4B37);
}

TEST(Crc16Modbus, NoBytesGiveInitialValue) {
    uint8_t none[1] = {0};
    EXPECT_EQ(crc16rev(none, 0), 0xFFFF);
}

TEST(Crc16Modbus, HighBytesAreTakenUnsigned) {
    const uint8_t ff[2] = {0xFF, 0x80};
    // Independent bitwise reference (the synthesizer's encoder).
    EXPECT_EQ(crc16rev(ff, 2), pelkin_crc(ff, 2));
}

TEST(Crc16Modbus, EverySingleBitFlipOfAFrameIsDetected) {
    PelkinFrameBytes frame = pelkin_frame_bytes(PelkinFields{});
    const int good = crc16rev(frame.data(), 48);
    ASSERT_EQ(good, frame[48] * 256 + frame[49]);
    for (int bit = 0; bit < 48 * 8; bit++) {
        PelkinFrameBytes f = frame;
        f[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
        EXPECT_NE(crc16rev(f.data(), 48), good) << "bit " << bit;
    }
}
