// Soft sync correlator: the word is found where it ends, in both polarities,
// through channel-bit errors up to the threshold, and nowhere in its own
// shifted copies.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dsp/soft_sync.h"

namespace {
const char* kWord = "10011001100110010100110010011001";
float soft(char c, float a) { return c == '1' ? a : -a; }
}  // namespace

TEST(SoftSync, FindsTheWordInBothPolaritiesWhereItEnds) {
    sonde::SoftSync s;
    ASSERT_TRUE(sonde::soft_sync_init(s, kWord, 0.8f));
    const std::string lead = "1010101010101010101010";
    for (float pol : {1.0f, -1.0f}) {
        sonde::soft_sync_init(s, kWord, 0.8f);
        int hits = 0, where = -1, sign = 0, i = 0;
        for (char c : lead + kWord + "0110") {
            float score;
            const int r = sonde::soft_sync_push(s, pol * soft(c, 0.3f), &score);
            if (r != 0) hits++, where = i, sign = r;
            i++;
        }
        EXPECT_EQ(hits, 1);
        EXPECT_EQ(where, static_cast<int>(lead.size()) + 31);
        EXPECT_EQ(sign, pol > 0 ? 1 : -1);
    }
}

TEST(SoftSync, ScoreCountsErrorsByTheirSize) {
    sonde::SoftSync s;
    sonde::soft_sync_init(s, kWord, 0.8f);
    std::string w = kWord;
    float score = 0.0f, corr = 0.0f;
    for (int i = 0; i < 32; i++) {
        float v = soft(w[static_cast<std::size_t>(i)], 1.0f);
        if (i == 3 || i == 17) v = -0.5f * v;  // two weak errors
        sonde::soft_sync_push(s, v, &score, &corr);
    }
    // (30 - 2 * 0.5) / sqrt(32 * (30 + 2 * 0.25))
    EXPECT_NEAR(score, 29.0f / std::sqrt(32.0f * 30.5f), 1e-6);
    EXPECT_NEAR(corr, 29.0f, 1e-5);
    // Every other value near 0, as with a timing half a bit off: the signs
    // all agree, yet the score stays at 1/sqrt(2), below a threshold of 0.8.
    for (int i = 0; i < 32; i++)
        sonde::soft_sync_push(s, (i & 1) ? 0.0f : soft(w[static_cast<std::size_t>(i)], 1.0f), &score);
    EXPECT_NEAR(score, std::sqrt(0.5f), 1e-6);
    EXPECT_FALSE(sonde::soft_sync_init(s, "", 0.5f));
    EXPECT_FALSE(sonde::soft_sync_init(s, std::string(65, '1'), 0.5f));
}

TEST(SoftSync, HardPrefilterKeepsEveryHitOfANoisyStream) {
    // Words planted in Gaussian-like noise at about 5 % channel-bit errors:
    // the prefiltered search finds exactly the hits of the full search.
    sonde::SoftSync fast, full;
    sonde::soft_sync_init(fast, kWord, 0.8f);
    sonde::soft_sync_init(full, kWord, 0.8f);
    full.max_errors = 32;
    unsigned g = 7;
    auto noise = [&] {  // sum of 4 uniforms, variance 1/3
        float t = 0.0f;
        for (int k = 0; k < 4; k++) {
            g = g * 1103515245u + 12345u;
            t += ((g >> 8) & 0xFFFF) / 65536.0f - 0.5f;
        }
        return t;
    };
    const std::string w = kWord;
    int hits = 0;
    for (int i = 0; i < 50000; i++) {
        const int k = i % 200;
        const float clean = k >= 168 ? soft(w[static_cast<std::size_t>(k - 168)], 1.0f) : (noise() > 0 ? 1.0f : -1.0f);
        const float v = clean + noise();
        float a, b;
        const int ra = sonde::soft_sync_push(fast, v, &a);
        const int rb = sonde::soft_sync_push(full, v, &b);
        EXPECT_EQ(ra, rb) << i;
        hits += ra != 0;
    }
    EXPECT_GE(hits, 240);  // 250 planted
}

TEST(SoftSync, PushHandsOnThePlainCorrelationOfItsScore) {
    // Where the score is computed, the correlation it came from; where the
    // hard decisions screen the position out, 0.
    sonde::SoftSync s;
    sonde::soft_sync_init(s, kWord, 0.8f);
    const std::string w = kWord;
    float score = 0.0f, corr = 0.0f;
    for (int i = 0; i < 32; i++) sonde::soft_sync_push(s, soft(w[static_cast<std::size_t>(i)], 0.5f), &score, &corr);
    EXPECT_FLOAT_EQ(corr, 16.0f);
    sonde::soft_sync_push(s, 1.0f, &score, &corr);  // the word shifted: far from it
    EXPECT_EQ(score, 0.0f);
    EXPECT_EQ(corr, 0.0f);
}

TEST(SoftSync, PeakOffsetsFindTheVertexOfTheirShapeBetweenGridPoints) {
    // A parabola and a triangle, each sampled at -1, 0 and 1 around a vertex
    // at d, give d back; a flat or dipping middle gives 0.
    for (const double d : {-0.5, -0.3, 0.0, 0.2, 0.45}) {
        auto bowl = [d](double x) { return 3.0 - 2.0 * (x - d) * (x - d); };
        auto tent = [d](double x) { return static_cast<float>(3.0 - 2.0 * std::fabs(x - d)); };
        EXPECT_NEAR(sonde::parabola_peak_offset(bowl(-1), bowl(0), bowl(1)), d, 1e-12);
        EXPECT_NEAR(sonde::triangle_peak_offset(tent(-1), tent(0), tent(1)), d, 1e-6);
    }
    EXPECT_EQ(sonde::parabola_peak_offset(1.0, 1.0, 1.0), 0.0);
    EXPECT_EQ(sonde::triangle_peak_offset(1.0f, 0.5f, 2.0f), 0.0);
    EXPECT_EQ(sonde::triangle_peak_offset(1.0f, 1.0f, 1.0f), 0.0);
}
