#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pelkin/frame_bytes.h"

using namespace sonde;
using namespace sonde::pelkin;

namespace {
std::string group(int byte, char start = '0', char stop = '1') {
    std::string g(1, start);
    for (int k = 0; k < 8; k++) g += (byte >> k) & 1 ? '1' : '0';
    return g + stop;
}

std::string groups(std::initializer_list<int> bytes, int fill_to_50 = 0x00) {
    std::string s;
    for (int b : bytes) s += group(b);
    while (s.size() < 500) s += group(fill_to_50);
    return s;
}
}  // namespace

TEST(Bits2Bytes, PreambleBytesAreFixed) {
    uint8_t fb[kFrameBytesSize] = {};
    frame_bytes_init(fb);
    EXPECT_EQ(fb[0], 0xAA);
    EXPECT_EQ(fb[1], 0xAA);
    EXPECT_EQ(fb[2], 0xAA);
}

TEST(Bits2Bytes, GroupsBecomeBytesLeastSignificantBitFirst) {
    uint8_t out[kFrameBytesSize] = {};
    std::string bits = groups({0x01, 0x80, 0x5C});
    EXPECT_EQ(bits2bytes(bits.c_str(), out), 50);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[1], 0x80);
    EXPECT_EQ(out[2], 0x5C);
    EXPECT_EQ(out[49], 0x00);
}

TEST(Bits2Bytes, ExtraPreambleGroupsAreDroppedAndLaterBytesKept) {
    uint8_t out[kFrameBytesSize];
    std::memset(out, 0x77, sizeof out);
    std::string bits = groups({0xAA, 0xAA, 0x01, 0xAA, 0x02});
    EXPECT_EQ(bits2bytes(bits.c_str(), out), 48);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[1], 0xAA);  // written like any other once the frame has begun
    EXPECT_EQ(out[2], 0x02);
    EXPECT_EQ(out[48], 0x77);  // frame bytes 51 and 52 untouched
    EXPECT_EQ(out[49], 0x77);
}

TEST(Bits2Bytes, AllPreambleWritesNothing) {
    uint8_t out[kFrameBytesSize];
    std::memset(out, 0x33, sizeof out);
    std::string bits = groups({}, 0xAA);
    EXPECT_EQ(bits2bytes(bits.c_str(), out), 0);
    for (uint8_t b : out) EXPECT_EQ(b, 0x33);
}

TEST(Bits2Bytes, StartStopBitsIgnoredAndOtherCharactersReadAsZero) {
    uint8_t out[kFrameBytesSize] = {};
    std::string bits = group(0xFF, '1', '0') + std::string(10, 'x') + std::string(480, '0');
    bits[10 + 3] = '1';
    bits[20 + 5] = '\0';  // as in a cut -b frame
    EXPECT_EQ(bits2bytes(bits.data(), out), 50);
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(out[1], 0x04);
    EXPECT_EQ(out[2], 0x00);
}
