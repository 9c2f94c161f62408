// The frame pieces the decoders share: CRC-16 by catalogue parameters,
// 10-bit groups, big-endian fields, velocity to speed and course. Answers
// come from the CRC catalogue and from hand calculation.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "frame/big_endian.h"
#include "frame/crc16.h"
#include "frame/ground_velocity.h"
#include "frame/ten_bit_groups.h"

using namespace sonde;

namespace {
const uint8_t kDigits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
}  // namespace

TEST(Crc16, CatalogueCheckValuesForBothReflections) {
    EXPECT_EQ(crc16(kCrc16Modbus, kDigits, 9), 0x4B37);
    EXPECT_EQ(crc16(kCrc16AugCcitt, kDigits, 9), 0xE5CC);
    EXPECT_EQ(crc16({0x8005, 0x0000, true}, kDigits, 9), 0xBB3D);   // ARC
    EXPECT_EQ(crc16({0x1021, 0x0000, false}, kDigits, 9), 0x31C3);  // XMODEM
    EXPECT_EQ(crc16({0x8005, 0x0000, false}, kDigits, 9), 0xFEE8);  // UMTS
}

TEST(Crc16, EmptyInputIsTheInitialRegister) {
    EXPECT_EQ(crc16(kCrc16Modbus, nullptr, 0), 0xFFFF);
    EXPECT_EQ(crc16(kCrc16AugCcitt, nullptr, 0), 0x1D0F);
}

TEST(TenBitGroups, DataBitsLeastSignificantFirstStartAndStopIgnored) {
    const char chars[] = "1101001011";  // start 1 and stop 1 are not looked at
    EXPECT_EQ(group_byte(chars, '1'), 0xA5);
    const unsigned char values[10] = {0, 1, 0, 0, 0, 0, 0, 0, 1, 0};
    EXPECT_EQ(group_byte(values, static_cast<unsigned char>(1)), 0x81);
}

TEST(TenBitGroups, BitDumpSpacesAroundTheDataBitsInBothForms) {
    const char chars[] = "00101010111000000001";
    const unsigned char values[20] = {0, 0, 1, 0, 1, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    LineBuf a, b;
    group_bit_dump(a, chars, 20);
    group_bit_dump(b, values, 20);
    EXPECT_EQ(std::string(a.text, a.len), "0 01010101 11 00000000 1\n");
    EXPECT_EQ(std::string(b.text, b.len), "0 01010101 11 00000000 1\n");
}

TEST(BigEndian, SignedAndUnsignedWidths) {
    const uint8_t b[4] = {0xFF, 0xFE, 0x01, 0x80};
    EXPECT_EQ(be_u16(b), 0xFFFEu);
    EXPECT_EQ(be_s16(b), -2);
    EXPECT_EQ(be_u24(b), 0xFFFE01u);
    EXPECT_EQ(be_u32(b), 0xFFFE0180u);
    EXPECT_EQ(be_s32(b), -130688);
}

TEST(GroundVelocity, CourseClockwiseFromNorthInEveryQuadrant) {
    const GroundVelocity ne = ground_velocity(3.0, 4.0, -1.5);
    EXPECT_DOUBLE_EQ(ne.speed_h, 5.0);
    EXPECT_NEAR(ne.course, 36.869897645844, 1e-9);
    EXPECT_EQ(ne.speed_v, -1.5);
    EXPECT_NEAR(ground_velocity(-1.0, -1.0, 0).course, 225.0, 1e-12);
    EXPECT_NEAR(ground_velocity(-1.0, 0.0, 0).course, 270.0, 1e-12);
    EXPECT_EQ(ground_velocity(0.0, 0.0, 0).course, 0.0);
}
