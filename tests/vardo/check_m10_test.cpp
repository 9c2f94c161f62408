#include <gtest/gtest.h>

#include <vector>

#include "vardo/check_m10.h"
#include "vardo/vardo_synth.h"

using namespace sonde;
using namespace sonde::vardo;

TEST(CheckM10, WorkedExampleRunsThroughEachByte) {
    uint16_t k = update_checkM10(0, 0x01);
    EXPECT_EQ(k, 0x00A0);
    k = update_checkM10(k, 0x02);
    EXPECT_EQ(k, 0xA0A0);
    k = update_checkM10(k, 0x03);
    EXPECT_EQ(k, 0xA050);
    const uint8_t bytes[] = {0x01, 0x02, 0x03};
    EXPECT_EQ(checkM10(bytes, 3), 0xA050);
}

TEST(CheckM10, SingleBytesAndEmptyRange) {
    const uint8_t ff = 0xFF, zero = 0x00;
    EXPECT_EQ(checkM10(&ff, 1), 0x00C0);
    EXPECT_EQ(checkM10(&zero, 1), 0x0000);
    EXPECT_EQ(checkM10(&ff, 0), 0x0000);
}

TEST(CheckM10, AgreesWithTheEncoderOnAsciiDigits) {
    const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(checkM10(digits, 9), vardo_check(digits, 9));
}

TEST(CheckM10, EverySingleBitFlipOfAFrameIsCaught) {
    VardoFrameFields f;
    f.lat = 626349397;
    f.lon = 159870000;
    std::vector<uint8_t> frame = vardo_frame_bytes(f);
    const int p = 99;
    ASSERT_EQ(checkM10(frame.data(), p), frame[p] << 8 | frame[p + 1]);
    for (int bit = 0; bit < 101 * 8; bit++) {
        std::vector<uint8_t> bad = frame;
        bad[bit / 8] ^= static_cast<uint8_t>(0x80 >> (bit % 8));
        EXPECT_NE(checkM10(bad.data(), p), bad[p] << 8 | bad[p + 1]) << "bit " << bit;
    }
}
