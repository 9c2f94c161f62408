// Matching a decoder's hexadecimal lines against the frames that were sent:
// what bench/sensitivity counts as decoded and as false.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame_match.h"

using namespace sens;

TEST(FrameMatch, VardoCountsGoodIntactFramesOnceAndGoodStrangersAsFalse) {
    const std::vector<std::string> sent = {"649F0001AABB", "649F0002CCDD", "649F0003EEFF"};
    const std::string out =
        "649F0001AABB # AABB [OK]\n"
        "649F0001AABB # AABB [OK]\n"  // the same frame twice: one frame decoded
        "649F0002CCDD # 1234 [NO]\n"  // intact bytes but marked bad: not decoded
        "649F0003EEFE # EEFE [OK]\n"  // marked good but not what was sent: false
        "\n";
    const Tally t = tally_frames(Program::vardo, sent, out);
    EXPECT_EQ(t.sent, 3);
    EXPECT_EQ(t.decoded, 1);
    EXPECT_EQ(t.false_good, 1);
    EXPECT_EQ(t.good_lines, 3);
}

TEST(FrameMatch, PelkinComparesBytesThreeToFortyNineAndItsTwoCrcs) {
    // Bytes 0..49 of a frame: preamble, 45 bytes shown, the stored CRC.
    std::string sent = "AAAAAA";
    std::string line;
    for (int i = 3; i < 48; i++) {
        char b[4];
        std::snprintf(b, sizeof b, "%02X", i);
        sent += b;
        std::snprintf(b, sizeof b, "%02x ", i);
        line += b;
    }
    sent += "B3B4";
    const std::string good = line + " b3b4 # b3b4 \n";
    const std::string bad_crc = line + " b3b4 # 0000 \n";
    std::string other = good;
    other[0] = '7';  // byte 3 differs
    EXPECT_EQ(tally_frames(Program::pelkin, {sent}, good).decoded, 1);
    const Tally t = tally_frames(Program::pelkin, {sent}, bad_crc + other);
    EXPECT_EQ(t.decoded, 0);
    EXPECT_EQ(t.false_good, 1);
}

TEST(FrameMatch, OstrelTakesTheMarkFromTheGpsLineAfterTheBytes) {
    const std::vector<std::string> sent = {"010266664042000038417017000C0000B24C",
                                           "010266664042000038417017000C0001A26D"};
    const std::string out =
        "01 02 66 66 40 42 00 00 38 41 70 17 00 0C 00 00 B2 4C DC 04 65 \n"
        "(12:00:00)  lat: 48.099998\xb0  lon: 11.500000\xb0  alt: 1000m  #  CRC: B24C - B24C [OK]\n"
        "01 02 66 66 40 42 00 00 38 41 70 17 00 0C 00 01 A2 6D 74 FB 69 \n"
        "(12:00:01)  lat: 48.099998\xb0  lon: 11.500000\xb0  alt: 1000m  #  CRC: A26D - A26C [NO]\n"
        "01 05 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n";  // no GPS packet: no mark
    const Tally t = tally_frames(Program::ostrel, sent, out);
    EXPECT_EQ(t.sent, 2);
    EXPECT_EQ(t.decoded, 1);
    EXPECT_EQ(t.false_good, 0);
    EXPECT_EQ(t.good_lines, 1);
}
