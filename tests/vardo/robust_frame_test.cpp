// The weak-signal path's frame pieces: the check's linearity that the
// correction relies on, type recognition from soft symbols, correction of
// weak symbols, and the receiver front end on synthesized audio.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "dsp/soft_correction.h"
#include "synth/signals.h"
#include "vardo/check_m10.h"
#include "vardo/robust_frame.h"
#include "vardo/robust_receiver.h"
#include "vardo/vardo_synth.h"

namespace {

std::vector<uint8_t> some_frame(int t, unsigned seed) {
    const int len = sonde::vardo::kRobustTypes[t].len;
    std::vector<uint8_t> b(static_cast<std::size_t>(len));
    b[0] = sonde::vardo::kRobustTypes[t].b0;
    b[1] = sonde::vardo::kRobustTypes[t].b1;
    for (int i = 2; i < len; i++)
        b[static_cast<std::size_t>(i)] = static_cast<uint8_t>((seed = seed * 69069u + 1u) >> 24);
    vardo_set_check(b);
    return b;
}

// Soft symbols of a frame as the receiver delivers them: +-1 by symbol,
// the symbol before the first being 0.
std::vector<float> soft_symbols(const std::vector<uint8_t>& b) {
    std::vector<float> s;
    int prev = 0;
    for (std::size_t j = 0; j < 8 * b.size(); j++) {
        const int d = b[j / 8] >> (7 - j % 8) & 1;
        prev = d ? prev : 1 - prev;
        s.push_back(prev ? 1.0f : -1.0f);
    }
    return s;
}

}  // namespace

TEST(RobustFrame, CheckIsLinearOverGf2) {
    // check(a XOR b) = check(a) XOR check(b) for any byte strings of one
    // length: no start value, no constant, so syndromes add.
    unsigned s = 1;
    for (int k = 0; k < 200; k++) {
        uint8_t a[99], b[99], c[99];
        for (int i = 0; i < 99; i++) {
            a[i] = static_cast<uint8_t>((s = s * 69069u + 1u) >> 24);
            b[i] = static_cast<uint8_t>((s = s * 69069u + 1u) >> 24);
            c[i] = a[i] ^ b[i];
        }
        ASSERT_EQ(sonde::vardo::checkM10(c, 99), sonde::vardo::checkM10(a, 99) ^ sonde::vardo::checkM10(b, 99));
    }
}

TEST(RobustFrame, SyndromeTablesMatchSingleFlips) {
    auto syn = std::make_unique<sonde::vardo::RobustSyndromes>();
    sonde::vardo::robust_syndromes_init(*syn);
    for (int t = 0; t < sonde::vardo::kRobustTypeCount; t++) {
        const int len = sonde::vardo::kRobustTypes[t].len;
        for (int b = 0; b < 8 * len; b += 7) {
            uint8_t z[sonde::vardo::kRobustMaxBytes] = {};
            z[b / 8] = static_cast<uint8_t>(0x80u >> (b % 8));
            EXPECT_EQ(syn->bit[t][b], sonde::vardo::robust_syndrome(z, len)) << t << " " << b;
        }
    }
}

TEST(RobustFrame, TypeFromTheFirstSixteenSymbols) {
    for (int t = 0; t < sonde::vardo::kRobustTypeCount; t++) {
        std::vector<float> s = soft_symbols(some_frame(t, 5));
        EXPECT_EQ(sonde::vardo::robust_frame_type(s.data(), 2), t);
        s[3] = -s[3], s[11] = -s[11];  // two symbol errors: still this type
        EXPECT_EQ(sonde::vardo::robust_frame_type(s.data(), 2), t);
        EXPECT_EQ(sonde::vardo::robust_frame_type(s.data(), 1), -1);
    }
    std::vector<float> s = soft_symbols(some_frame(0, 5));
    for (float& v : s) v = -v;  // polarity not taken out: no known type
    EXPECT_EQ(sonde::vardo::robust_frame_type(s.data(), 2), -1);
}

TEST(RobustFrame, WeakWrongSymbolsAreMendedStrongOnesAreNot) {
    auto syn = std::make_unique<sonde::vardo::RobustSyndromes>();
    sonde::vardo::robust_syndromes_init(*syn);
    for (int t = 0; t < sonde::vardo::kRobustTypeCount; t++) {
        const std::vector<uint8_t> b = some_frame(t, 77u + static_cast<unsigned>(t));
        std::vector<float> s = soft_symbols(b);
        // Unlike the plain decision, symbol errors flip two data bits.
        const int n = static_cast<int>(s.size());
        s[100] = -0.2f * s[100];
        s[n - 40] = -0.1f * s[n - 40];
        for (int j : {30, 200, 300, 500}) s[static_cast<std::size_t>(j % n)] *= 0.3f;  // weak but right
        sonde::vardo::RobustDecision d = sonde::vardo::robust_decide(s.data(), t, *syn, 32);
        EXPECT_TRUE(d.good) << t;
        EXPECT_EQ(std::vector<uint8_t>(d.bytes, d.bytes + d.len), b) << t;
        EXPECT_EQ(d.corrected, 4) << t;
        // A wrong type-byte symbol is taken as known; a strong wrong symbol
        // is beyond correction.
        s[5] = -s[5];
        s[250] = -s[250];
        d = sonde::vardo::robust_decide(s.data(), t, *syn, 32);
        EXPECT_FALSE(d.good) << t;
    }
}

namespace {
struct Collected {
    std::vector<std::vector<float>> frames;
    std::vector<int> types;
    void operator()(const sonde::SoftFrame& f) {
        frames.emplace_back(f.soft, f.soft + f.count);
        types.push_back(f.type);
    }
};
}  // namespace

TEST(RobustReceiver, BlockSizesDoNotChangeTheFrames) {
    // Three types in a row, inverted, with an offset and noise, at 44.1 kHz:
    // whatever the block split, the same frames with the same soft values.
    std::vector<std::vector<uint8_t>> frames = {some_frame(0, 1), some_frame(1, 2), some_frame(2, 3), some_frame(0, 4)};
    VardoTiming tm;
    tm.sample_rate = 44100.0;
    tm.period_s = 0.3;
    std::vector<double> x = vardo_signal(frames, tm);
    for (double& v : x) v = -v + 0.1;
    add_noise(x, 6.0, 9);
    std::vector<float> xf(x.begin(), x.end());
    std::vector<Collected> runs(3);
    int r = 0;
    for (int block : {1, 7, 4096}) {
        auto rx = std::make_unique<sonde::vardo::RobustReceiver>();
        sonde::vardo::receiver_init(*rx, 44100.0);
        const sonde::FrameSink sink = sonde::frame_sink(runs[static_cast<std::size_t>(r)]);
        for (std::size_t i = 0; i < xf.size(); i += static_cast<std::size_t>(block)) {
            const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(block), xf.size() - i);
            sonde::vardo::receiver_feed(*rx, xf.data() + i, n, sink);
        }
        r++;
    }
    ASSERT_EQ(runs[0].types, (std::vector<int>{0, 1, 2, 0}));
    EXPECT_EQ(runs[1].frames, runs[0].frames);
    EXPECT_EQ(runs[2].frames, runs[0].frames);
    // Every symbol's sign right (noise of 6 dB per sample is mild per symbol).
    for (std::size_t k = 0; k < frames.size(); k++) {
        const std::vector<float> want = soft_symbols(frames[k]);
        ASSERT_EQ(runs[0].frames[k].size(), want.size());
        int wrong = 0;
        for (std::size_t j = 0; j < want.size(); j++) wrong += (runs[0].frames[k][j] > 0) != (want[j] > 0);
        EXPECT_EQ(wrong, 0) << k;
    }
}
