#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <vector>

#include "pelkin/robust_correction.h"
#include "pelkin/pelkin_synth.h"

namespace {
using sonde::pelkin::correct_frame_bits;
using sonde::pelkin::CrcSyndromes;

std::string body_bits(const PelkinFrameBytes& b, int extra_aa = 0) {
    return pelkin_air_bits(b, extra_aa).substr(20, 500);
}

// Data bit b of frame byte `byte` (3..49) when no extra preamble is sent.
int bit_index(int byte, int b) { return (byte - 3) * 10 + 1 + b; }

void flip(std::string& bits, int i) { bits[static_cast<std::size_t>(i)] ^= '0' ^ '1'; }

struct Frame {
    CrcSyndromes syn;
    std::string sent = body_bits(pelkin_frame_bytes(PelkinFields{}));
    std::vector<float> soft = std::vector<float>(500, 1.0f);
    Frame() { crc_syndromes_init(syn); }
};
}  // namespace

// Each syndrome is what flipping that one bit does to the CRC, computed here
// by the synthesizer's own CRC on the changed bytes.
TEST(RobustCorrection, SyndromesMatchTheCrcOfFlippedBytes) {
    CrcSyndromes syn;
    crc_syndromes_init(syn);
    const PelkinFrameBytes good = pelkin_frame_bytes(PelkinFields{});
    for (int byte : {3, 17, 47, 48, 49})
        for (int b : {0, 5, 7}) {
            PelkinFrameBytes x = good;
            x[static_cast<std::size_t>(byte)] ^= static_cast<uint8_t>(1 << b);
            const int computed = pelkin_crc(x.data(), 48);
            const int stored = x[48] * 256 + x[49];
            EXPECT_EQ(computed ^ stored, syn.bit[8 * (byte - 3) + b]) << byte << " " << b;
        }
}

TEST(RobustCorrection, FlipsTheLeastReliableBitsThatMakeTheCrcPass) {
    Frame f;
    std::string bits = f.sent;
    EXPECT_EQ(correct_frame_bits(f.syn, bits.data(), f.soft.data()), 0);

    // One error, marked unreliable among bits that are not.
    const int e1 = bit_index(20, 3);
    flip(bits, e1);
    f.soft[static_cast<std::size_t>(e1)] = 0.1f;
    EXPECT_EQ(correct_frame_bits(f.syn, bits.data(), f.soft.data()), 1);
    EXPECT_EQ(bits, f.sent);

    // Two errors, one in the stored CRC, among other weak bits.
    const int e2 = bit_index(49, 6);
    flip(bits, e1);
    flip(bits, e2);
    f.soft[static_cast<std::size_t>(e2)] = 0.3f;
    for (int byte : {5, 9, 30, 40}) f.soft[static_cast<std::size_t>(bit_index(byte, 2))] = 0.2f;
    EXPECT_EQ(correct_frame_bits(f.syn, bits.data(), f.soft.data()), 2);
    EXPECT_EQ(bits, f.sent);
}

TEST(RobustCorrection, AReliableErrorIsLeftAlone) {
    Frame f;
    std::string bits = f.sent;
    flip(bits, bit_index(10, 1));  // as reliable as every other bit
    for (int byte : {5, 9, 30, 40, 44}) f.soft[static_cast<std::size_t>(bit_index(byte, 2))] = 0.2f;
    const std::string before = bits;
    EXPECT_EQ(correct_frame_bits(f.syn, bits.data(), f.soft.data()), -1);
    EXPECT_EQ(bits, before);
}

TEST(RobustCorrection, FollowsExtraPreambleGroups) {
    Frame f;
    const std::string sent = body_bits(pelkin_frame_bytes(PelkinFields{}), 2);
    std::string bits = sent;
    const int e = bit_index(33, 4) + 20;  // two groups later
    flip(bits, e);
    f.soft[static_cast<std::size_t>(e)] = 0.05f;
    EXPECT_EQ(correct_frame_bits(f.syn, bits.data(), f.soft.data()), 1);
    EXPECT_EQ(bits, sent);
}

// Frames broken beyond repair: 17 checks of the right parity, each passing
// once in 32768, let about 10 of 20000 frames through (5.2e-4); twice that
// means the budget or the parity filter is broken.
TEST(RobustCorrection, FramesBeyondRepairAreRarelyAccepted) {
    Frame f;
    uint64_t state = 12345;
    auto next = [&] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(state >> 33);
    };
    int accepted = 0;
    const int frames = 20000;
    std::vector<float> soft(500);
    for (int n = 0; n < frames; n++) {
        std::string bits = f.sent;
        for (int k = 0; k < 6; k++)
            flip(bits, bit_index(3 + static_cast<int>(next() % 47), static_cast<int>(next() % 8)));
        for (float& s : soft) s = static_cast<float>(next() % 1000) / 1000.0f;
        const float bonus = n % 2 ? sonde::pelkin::kClickFlipBonus : 0.0f;
        if (correct_frame_bits(f.syn, bits.data(), soft.data(), bonus) > 0 && bits != f.sent) accepted++;
    }
    EXPECT_LE(accepted, 20);
}

// The polynomial's factor x + 1 makes every single-bit syndrome odd, so a
// syndrome's parity is that of the number of bits in error.
TEST(RobustCorrection, SingleBitSyndromesAreOdd) {
    CrcSyndromes syn;
    crc_syndromes_init(syn);
    for (uint16_t v : syn.bit) EXPECT_EQ(std::popcount(v) & 1, 1) << v;
}

// Three errors among the least reliable bits: a pattern of three is tried.
TEST(RobustCorrection, RepairsThreeUnreliableBits) {
    Frame f;
    std::string bits = f.sent;
    for (int byte : {8, 21, 44}) {
        flip(bits, bit_index(byte, 6));
        f.soft[static_cast<std::size_t>(bit_index(byte, 6))] = 0.1f;
    }
    EXPECT_EQ(correct_frame_bits(f.syn, bits.data(), f.soft.data()), 3);
    EXPECT_EQ(bits, f.sent);
}

// Three errors among 23 equally weak bits: without the bonus the 16 checks
// go to cheaper single flips and the frame stays bad; with it, the pattern
// of the three weakest comes first.
TEST(RobustCorrection, FlipBonusPutsSeveralClickedBitsFirst) {
    for (float bonus : {0.0f, sonde::pelkin::kClickFlipBonus}) {
        Frame f;
        std::string bits = f.sent;
        for (int byte = 4; byte < 24; byte++) f.soft[static_cast<std::size_t>(bit_index(byte, 2))] = 0.04f;
        for (int byte : {9, 30, 41}) {
            flip(bits, bit_index(byte, 4));
            f.soft[static_cast<std::size_t>(bit_index(byte, 4))] = 0.035f;
        }
        const int flipped = correct_frame_bits(f.syn, bits.data(), f.soft.data(), bonus);
        EXPECT_EQ(flipped, bonus > 0.0f ? 3 : -1) << bonus;
        EXPECT_EQ(bits == f.sent, bonus > 0.0f) << bonus;
    }
}
