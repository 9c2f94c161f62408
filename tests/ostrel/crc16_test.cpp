#include <gtest/gtest.h>

#include <array>

#include "frame/crc16.h"
#include "ostrel/gps_packet.h"

using namespace sonde;
using namespace sonde::ostrel;

namespace {
int crc16(const unsigned char* data, int len) { return sonde::crc16(sonde::kCrc16AugCcitt, data, len); }
}  // namespace

TEST(Crc16AugCcitt, CatalogueCheckValue) {
    const unsigned char digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(crc16(digits, 9), 0xE5CC);
}

TEST(Crc16AugCcitt, EmptyInputGivesInitialValue) { EXPECT_EQ(crc16(nullptr, 0), 0x1D0F); }

TEST(Crc16AugCcitt, EverySingleBitFlipOfAPacketIsCaught) {
    std::array<unsigned char, 18> p = {0x01, 0x02, 0x66, 0x66, 0x40, 0x42, 0x00, 0x00, 0x38,
                                       0x41, 0x70, 0x17, 0x00, 0x0C, 0x00, 0x00, 0,    0};
    const int crc = crc16(p.data(), 16);
    p[16] = static_cast<unsigned char>(crc >> 8);
    p[17] = static_cast<unsigned char>(crc & 0xFF);
    ASSERT_TRUE(decode_gps(p.data()).good);
    for (int byte = 0; byte < 18; byte++) {
        for (int bit = 0; bit < 8; bit++) {
            auto q = p;
            q[byte] ^= static_cast<unsigned char>(1 << bit);
            EXPECT_FALSE(decode_gps(q.data()).good) << "byte " << byte << " bit " << bit;
        }
    }
}
