// CRC-guided repair of GPS packets: frames made from known packets, bits
// flipped where the soft values say they are least reliable. The CRC used to
// check results is the synthesizer's own, written independently.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "ostrel/gps_repair.h"
#include "ostrel_synth.h"
#include "synth/signals.h"

namespace {

using namespace sonde::ostrel;

struct Frame {
    unsigned char bits[1000];
    float llr[1000];
};

Frame frame_of(const std::vector<uint8_t>& bytes) {
    Frame f;
    const std::string s = ostrel_group_bits(bytes);
    for (int i = 0; i < 1000; i++) {
        f.bits[i] = static_cast<unsigned char>(s[static_cast<std::size_t>(i)] == '1');
        f.llr[i] = f.bits[i] ? 9.0f : -9.0f;
    }
    return f;
}

std::vector<uint8_t> packet(uint8_t second = 7) {
    OstrelGps g;
    g.lat = 48.1f;
    g.lon = 11.5f;
    g.alt_raw = 6000;
    g.hour = 12;
    g.second = second;
    const auto p = ostrel_gps_packet(g);
    return ostrel_transmission(std::vector<uint8_t>(p.begin(), p.end()), 3);
}

// Flips a bit and marks it unreliable.
void spoil(Frame& f, int pos, float llr_size = 0.5f) {
    f.bits[pos] ^= 1;
    f.llr[pos] = f.bits[pos] ? llr_size : -llr_size;
}

class GpsRepair : public ::testing::Test {
  protected:
    void SetUp() override { gps_repair_table_init(table); }
    GpsRepairTable table;
    const std::vector<uint8_t> sent = packet();
    Frame clean = frame_of(sent);
    bool same(const Frame& f) const {
        for (int i = 0; i < kRepairBits; i++)
            if (f.bits[i] != clean.bits[i]) return false;
        return true;
    }
};

TEST_F(GpsRepair, SyndromeTableMatchesTheCrc) {
    // Flipping data bit u changes (computed ^ stored) by the table entry.
    const uint16_t base = ostrel_synth_crc16(sent.data(), 16) ^ static_cast<uint16_t>(sent[16] << 8 | sent[17]);
    for (int u = 0; u < kRepairDataBits; u++) {
        std::vector<uint8_t> b = sent;
        b[static_cast<std::size_t>(u / 8 + 1)] ^= static_cast<uint8_t>(1 << (u % 8));
        const uint16_t s = ostrel_synth_crc16(b.data(), 16) ^ static_cast<uint16_t>(b[16] << 8 | b[17]);
        ASSERT_EQ(static_cast<uint32_t>(s ^ base), table.syndrome[u]) << u;
    }
}

TEST_F(GpsRepair, GoodAndNonGpsPacketsAreLeftAlone) {
    Frame f = clean;
    EXPECT_EQ(gps_repair(table, f.bits, f.llr).result, RepairResult::good);
    Frame other = frame_of(ostrel_transmission({0x01, 0x05, 0x10, 0x20}, 1));
    spoil(other, 40);
    EXPECT_EQ(gps_repair(table, other.bits, other.llr).result, RepairResult::not_gps);
}

TEST_F(GpsRepair, OneAndTwoUnreliableErrorsAreMended) {
    for (const std::vector<int>& errs : std::vector<std::vector<int>>{{35}, {35, 172}, {11, 99}}) {
        Frame f = clean;
        for (int e : errs) spoil(f, e);
        const RepairOutcome o = gps_repair(table, f.bits, f.llr);
        EXPECT_EQ(o.result, RepairResult::corrected);
        EXPECT_EQ(o.flipped, static_cast<int>(errs.size()));
        EXPECT_TRUE(same(f));
    }
}

TEST_F(GpsRepair, TypeByteOneBitOffIsMended) {
    // Group 1 carries 0x02; bit 11 is its least significant data bit (0x03).
    Frame f = clean;
    spoil(f, 11);
    spoil(f, 64);
    EXPECT_EQ(gps_repair(table, f.bits, f.llr).result, RepairResult::corrected);
    EXPECT_TRUE(same(f));
}

TEST_F(GpsRepair, WrongStopBitTakesOneOfTheTwoFlips) {
    Frame f = clean;
    spoil(f, 29, 0.2f);  // stop bit of group 2
    spoil(f, 55);
    EXPECT_EQ(gps_repair(table, f.bits, f.llr).result, RepairResult::corrected);
    EXPECT_TRUE(same(f));
    Frame g = clean;
    spoil(g, 29, 0.2f);
    spoil(g, 55);
    spoil(g, 77);  // a wrong stop bit and two data errors: beyond repair
    const RepairOutcome o = gps_repair(table, g.bits, g.llr);
    EXPECT_EQ(o.result, RepairResult::failed);
}

TEST_F(GpsRepair, ConfidentErrorsAreNotFound) {
    Frame f = clean;
    spoil(f, 35, 20.0f);  // wrong, yet the soft value is sure of it
    const RepairOutcome o = gps_repair(table, f.bits, f.llr);
    EXPECT_EQ(o.result, RepairResult::failed);
    EXPECT_EQ(o.tests, kRepairTests);
}

TEST_F(GpsRepair, PacketsBeyondRepairAreRarelyAccepted) {
    // Three to six errors among noisy soft values: at most 16 candidates are
    // tested, so about 16/65536 of them (2.4e-4) pass by chance.
    Gaussian g = gaussian_seeded(99);
    int accepted = 0;
    const int n = 20000;
    uint64_t x = 12345;
    for (int k = 0; k < n; k++) {
        Frame f = clean;
        for (int i = 10; i < kRepairBits; i++)
            f.llr[i] = static_cast<float>((f.bits[i] ? 1 : -1) * (4.0 + 3.0 * gaussian_next(g)));
        const int nerr = 3 + k % 4;
        for (int e = 0; e < nerr; e++) {
            x = x * 6364136223846793005ull + 1442695040888963407ull;
            const int pos = 10 + static_cast<int>((x >> 33) % 170);
            if (pos % 10 == 0 || pos % 10 == 9 || pos < 20) continue;  // keep framing and the type byte
            spoil(f, pos, static_cast<float>(std::fabs(gaussian_next(g))));
        }
        const RepairOutcome o = gps_repair(table, f.bits, f.llr);
        if ((o.result == RepairResult::corrected || o.result == RepairResult::good) && !same(f)) accepted++;
    }
    EXPECT_LE(accepted, n / 1000);
}

}  // namespace
