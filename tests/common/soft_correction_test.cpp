// Soft-bit correction: candidate order from the reliabilities, and a
// two-unit error mended through the syndromes of a linear check (CRC-16
// with start value 0).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "dsp/soft_correction.h"

using sonde::CorrectionCandidate;

TEST(CorrectionCandidates, CheapestFirstFromTheLeastReliable) {
    // Units 1 (0.1), 3 (0.2), 5 (0.35) are the weakest.
    const float r[] = {5.0f, 0.1f, 3.0f, 0.2f, 4.0f, 0.35f, 6.0f, 7.0f, 8.0f, 9.0f, 10.0f, 11.0f};
    CorrectionCandidate c[sonde::kMaxCorrectionCandidates];
    const int n = sonde::correction_candidates(r, 12, 32, c);
    ASSERT_EQ(n, 32);  // 12 singles + 66 pairs, capped
    // 0.1 {1}, 0.2 {3}, 0.3 {1,3}, 0.35 {5}, 0.45 {1,5}, 0.55 {3,5}, 3.0 {2}
    const std::vector<std::vector<int>> want = {{1}, {3}, {1, 3}, {5}, {1, 5}, {3, 5}, {2}};
    for (std::size_t i = 0; i < want.size(); i++) {
        ASSERT_EQ(c[i].count, static_cast<int>(want[i].size())) << i;
        for (int k = 0; k < c[i].count; k++) EXPECT_EQ(c[i].units[k], want[i][static_cast<std::size_t>(k)]) << i;
    }
    for (int i = 1; i < n; i++) EXPECT_LE(c[i - 1].cost, c[i].cost);
    EXPECT_EQ(sonde::correction_candidates(r, 12, 5, c), 5);
    EXPECT_EQ(sonde::correction_candidates(r, 0, 32, c), 0);
}

namespace {
uint16_t crc16(const std::vector<uint8_t>& b) {
    uint16_t c = 0;
    for (uint8_t x : b) {
        c ^= static_cast<uint16_t>(x << 8);
        for (int i = 0; i < 8; i++) c = static_cast<uint16_t>(c & 0x8000 ? (c << 1) ^ 0x1021 : c << 1);
    }
    return c;
}
// Syndrome: check of the first 18 bytes against the stored last two.
uint32_t syndrome(const std::vector<uint8_t>& f) {
    std::vector<uint8_t> body(f.begin(), f.end() - 2);
    return crc16(body) ^ static_cast<uint16_t>(f[18] << 8 | f[19]);
}
void flip(std::vector<uint8_t>& f, int bit) {
    f[static_cast<std::size_t>(bit / 8)] ^= static_cast<uint8_t>(0x80 >> (bit % 8));
}
}  // namespace

TEST(SoftCorrection, MendsTwoWeakBitsThroughLinearSyndromes) {
    std::vector<uint8_t> f(20);
    for (int i = 0; i < 18; i++) f[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 37 + 5);
    const uint16_t c = crc16(std::vector<uint8_t>(f.begin(), f.begin() + 18));
    f[18] = static_cast<uint8_t>(c >> 8), f[19] = static_cast<uint8_t>(c);
    ASSERT_EQ(syndrome(f), 0u);
    // Per-bit syndromes from single flips of an all-zero frame.
    std::vector<uint32_t> unit(160);
    for (int b = 0; b < 160; b++) {
        std::vector<uint8_t> z(20, 0);
        flip(z, b);
        unit[static_cast<std::size_t>(b)] = syndrome(z);
    }
    std::vector<float> rel(160, 1.0f);
    for (int b : {7, 40, 41, 90, 150, 151}) rel[static_cast<std::size_t>(b)] = 0.1f + b * 1e-3f;
    std::vector<uint8_t> bad = f;
    flip(bad, 41), flip(bad, 150);  // two of the weak bits are wrong
    CorrectionCandidate cand[sonde::kMaxCorrectionCandidates];
    const int n = sonde::correction_candidates(rel.data(), 160, 32, cand);
    const uint32_t s0 = syndrome(bad);
    const int k = sonde::correct_first(
        cand, n, [&](const CorrectionCandidate& cc) { return sonde::candidate_syndrome(s0, unit.data(), cc) == 0; });
    ASSERT_GE(k, 0);
    for (int i = 0; i < cand[k].count; i++) flip(bad, cand[k].units[i]);
    EXPECT_EQ(bad, f);
    // A strong bit in error is beyond the candidates: nothing passes.
    bad = f;
    flip(bad, 100);
    const uint32_t s1 = syndrome(bad);
    EXPECT_EQ(sonde::correct_first(
                  cand, n,
                  [&](const CorrectionCandidate& cc) { return sonde::candidate_syndrome(s1, unit.data(), cc) == 0; }),
              -1);
}

// Deeper patterns with a bonus per unit and a parity, and the two orders of
// equal-cost candidates. Reliabilities and the bonus are exact in binary.
TEST(CorrectionCandidates, DeepPatternsParityAndTieOrder) {
    const float r[] = {0.125f, 0.25f, 0.375f, 3.0f, 5.0f, 6.0f};
    CorrectionCandidate c[sonde::kMaxCorrectionCandidates];
    // Costs less 0.5 per unit: three weak bits (-0.75) beat one (-0.375);
    // with odd parity no pair is kept.
    sonde::CorrectionSearch deep{.deep_units = 3, .deep_max = 3, .parity = 1, .flip_bonus = 0.5f};
    ASSERT_EQ(sonde::correction_candidates(r, 6, 4, c, deep), 4);
    const std::vector<std::vector<int>> want = {{0, 1, 2}, {0}, {1}, {2}};
    for (std::size_t i = 0; i < want.size(); i++)
        EXPECT_EQ(std::vector<int>(c[i].units, c[i].units + c[i].count), want[i]) << i;
    // Four equal units: pairs by their lower index, or as found (by the
    // higher of their ranks among the least reliable).
    const float e[] = {1.0f, 1.0f, 1.0f, 1.0f, 9.0f};
    const sonde::CorrectionSearch pairs{.parity = 0};
    const sonde::CorrectionSearch as_found{.parity = 0, .ties_by_units = false};
    for (const auto& [how, order] : {std::pair{pairs, std::vector<int>{1, 2, 3, 12, 13, 23}},
                                     std::pair{as_found, std::vector<int>{1, 2, 12, 3, 13, 23}}}) {
        ASSERT_EQ(sonde::correction_candidates(e, 5, 6, c, how), 6);
        for (int i = 0; i < 6; i++)
            EXPECT_EQ(10 * c[i].units[0] + c[i].units[1], order[static_cast<std::size_t>(i)]) << i;
    }
}
