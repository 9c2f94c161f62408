#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ostrel/byte_groups.h"

using namespace sonde;
using namespace sonde::ostrel;

namespace {
void put_group(unsigned char* g, int byte) {
    g[0] = 0;
    for (int i = 0; i < 8; i++) g[1 + i] = (byte >> i) & 1;
    g[9] = 1;
}
}  // namespace

TEST(Bits2Byte, AllOnesIsTheStopMarker) {
    const unsigned char ones[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(bits2byte(ones), 0xFFFF);
}

TEST(Bits2Byte, ValidGroupOfFF) {
    const unsigned char g[10] = {0, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(bits2byte(g), 0xFF);
}

TEST(Bits2Byte, StartAndStopBitsNotExamined) {
    const unsigned char g[10] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(bits2byte(g), 0x00);
}

TEST(Bits2Byte, LeastSignificantBitFirst) {
    unsigned char g[10];
    for (int b : {0x01, 0x02, 0x80, 0xA5, 0x5A}) {
        put_group(g, b);
        EXPECT_EQ(bits2byte(g), b);
    }
}

TEST(Bits2Bytes, StopsAtTheFirstAllOnesGroup) {
    unsigned char bits[60];
    const int vals[6] = {0x01, 0x02, 0x33, -1, 0x44, 0x55};
    for (int i = 0; i < 6; i++) {
        if (vals[i] < 0)
            std::memset(bits + 10 * i, 1, 10);
        else
            put_group(bits + 10 * i, vals[i]);
    }
    unsigned char bytes[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(bits2bytes(bits, bytes, 6), 3);
    EXPECT_EQ(bytes[0], 0x01);
    EXPECT_EQ(bytes[2], 0x33);
    EXPECT_EQ(bytes[3], 0xFF);
    EXPECT_EQ(bytes[4], 9);  // not written
    EXPECT_EQ(bits2bytes(bits, bytes, 3), 3);
}

TEST(Bits2Bytes, NoStopConvertsAll) {
    unsigned char bits[30];
    for (int i = 0; i < 3; i++) put_group(bits + 10 * i, 0x10 + i);
    unsigned char bytes[3];
    EXPECT_EQ(bits2bytes(bits, bytes, 3), 3);
    EXPECT_EQ(bytes[2], 0x12);
}

TEST(PrintRawbits, GroupsSeparatedAroundTheDataBits) {
    unsigned char bits[30];
    put_group(bits, 0x01);
    put_group(bits + 10, 0x02);
    put_group(bits + 20, 0xF0);
    LineBuf line;
    sonde::group_bit_dump(line, bits, 30);
    EXPECT_EQ(std::string(line.text, line.len), "0 10000000 10 01000000 10 00001111 1\n");
}
