#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "slicer/run_readers.h"
#include "pelkin/dc_filter.h"

using namespace sonde;
using namespace sonde::pelkin;

namespace {
// Mono 16-bit samples straight from memory, no header.
struct Samples {
    std::string bytes;
    WavInput in;
    explicit Samples(const std::vector<int>& v) {
        for (int s : v) {
            bytes += static_cast<char>(s & 0xFF);
            bytes += static_cast<char>((s >> 8) & 0xFF);
        }
        in.channels = 1;
        in.bits_sample = 16;
        source_open_memory(in.src, bytes.data(), bytes.size());
    }
};

struct Filter {
    DcFilter f;
    Filter(WavInput& in, int wlen) { EXPECT_TRUE(dc_filter_open(f, in, wlen)); }
    ~Filter() { dc_filter_close(f); }
};

std::vector<int> filter_all(const std::vector<int>& v, int wlen) {
    Samples s(v);
    Filter flt(s.in, wlen);
    std::vector<int> out;
    for (;;) {
        int x = read_sample(flt.f);
        if (x == kEndOfData) break;
        out.push_back(x);
    }
    return out;
}
}  // namespace

TEST(DcFilter, WindowIsTwentyBitsTruncated) {
    EXPECT_EQ(dc_window_length(10.0f), 200);
    EXPECT_EQ(dc_window_length(9.1875f), 183);
    EXPECT_EQ(dc_window_length(239.0f / 4800.0f), 0);
    EXPECT_EQ(dc_window_length(240.0f / 4800.0f), 1);
}

TEST(DcFilter, WarmUpGivesZeroThenPredecessorMinusMidpoint) {
    std::vector<int> out = filter_all({10, 20, 30, 40, 50, -60}, 4);
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[3], 30 - 25);             // window 10..40
    EXPECT_EQ(out[4], 40 - (20 + 50) / 2);  // 10 left the window
    EXPECT_EQ(out[5], 50 - (-60 + 50) / 2);
}

TEST(DcFilter, ConstantInputGivesZeroOnceFilled) {
    std::vector<int> out = filter_all(std::vector<int>(50, 1234), 8);
    for (int x : out) EXPECT_EQ(x, 0);
}

TEST(DcFilter, OneSampleWindowGivesZero) {
    std::vector<int> out = filter_all({5, -7, 32767, -32768, 0, 3}, 1);
    ASSERT_EQ(out.size(), 6u);
    for (int x : out) EXPECT_EQ(x, 0);
}

TEST(DcFilter, MidpointTruncatesTowardZero) {
    // Window of 2: output is the older sample minus the midpoint of both.
    EXPECT_EQ(filter_all({-100, 300}, 2)[1], -100 - 100);
    EXPECT_EQ(filter_all({-101, 0}, 2)[1], -101 - (-50));
}

TEST(DcFilter, EndOfDataPassesWithoutCounting) {
    Samples s({1, 2, 3});
    Filter flt(s.in, 2);
    for (int i = 0; i < 3; i++) read_sample(flt.f);
    EXPECT_EQ(read_sample(flt.f), kEndOfData);
    EXPECT_EQ(s.in.sample_count, 3u);
    EXPECT_EQ(read_sample(flt.f), kEndOfData);
}

TEST(DcFilter, EndOfDataDuringWarmUp) {
    std::vector<int> out = filter_all({9, 9}, 200);
    EXPECT_EQ(out, (std::vector<int>{0, 0}));
}

// Reference: extremes rescanned over the whole ring after every sample.
TEST(DcFilter, IncrementalExtremesMatchFullScanAlsoWithSkippedSamples) {
    std::vector<int> v;
    uint32_t x = 12345;
    for (int i = 0; i < 3000; i++) {
        x = x * 1103515245u + 12345u;
        int level = (i / 300) % 2 ? 4000 : -3000;  // the offset drifts in steps
        v.push_back(level + static_cast<int>((x >> 16) % 2001) - 1000);
    }
    const int wlen = 37;
    Samples s(v);
    Filter flt(s.in, wlen);
    std::vector<int> ring(wlen, 0);
    for (int i = 0; i < 2800; i++) {
        if (i % 97 == 50) {
            // The integrate-and-dump reader takes a few samples past the filter.
            for (int j = 0; j < 5; j++) read_signed_sample(s.in);
        }
        int out = read_sample(flt.f);
        uint64_t k = s.in.sample_count - 1;
        ring[k % wlen] = v[k];
        if (k < static_cast<uint64_t>(wlen - 1)) {
            EXPECT_EQ(out, 0);
            continue;
        }
        int mn = ring[0], mx = ring[0];
        for (int r : ring) mn = std::min(mn, r), mx = std::max(mx, r);
        ASSERT_EQ(flt.f.min, mn) << "sample " << k;
        ASSERT_EQ(flt.f.max, mx) << "sample " << k;
        ASSERT_EQ(out, ring[(k + wlen - 1) % wlen] - (mn + mx) / 2) << "sample " << k;
    }
}

TEST(DcFilter, SlicerTakesTheFilterAsItsSampleSource) {
    // A square wave riding on +5000: plain slicing sees no crossing at all.
    std::vector<int> v;
    for (int i = 0; i < 400; i++) v.push_back(5000 + ((i / 10) % 2 ? -1000 : 1000));
    Samples s(v);
    Filter flt(s.in, 200);
    SlicerState st;
    int bit = -1, len = -1, runs = 0;
    while (read_bits_fsk(st, flt.f, 10.0f, &bit, &len) == 0) runs++;
    EXPECT_GT(runs, 15);
}

namespace {
// Interleaved frames of any width and channel count, no header.
struct Frames {
    std::string bytes;
    WavInput in;
    Frames(const std::vector<int>& v, int bits, int channels, int wav_channel) {
        uint32_t x = 99;
        for (int s : v) {
            for (int ch = 0; ch < channels; ch++) {
                x = x * 1103515245u + 12345u;
                const int w = ch == wav_channel ? s : static_cast<int>((x >> 16) % 200) - 100;
                if (bits == 16) {
                    bytes += static_cast<char>(w & 0xFF);
                    bytes += static_cast<char>((w >> 8) & 0xFF);
                } else {
                    bytes += static_cast<char>(w + 128);
                }
            }
        }
        in.channels = channels;
        in.bits_sample = bits;
        in.wav_channel = wav_channel;
        source_open_memory(in.src, bytes.data(), bytes.size());
    }
};

std::vector<int> drifting_noise(int n, int bits, uint32_t seed) {
    std::vector<int> v;
    const int range = bits == 16 ? 30000 : 120;
    for (int i = 0; i < n; i++) {
        seed = seed * 1103515245u + 12345u;
        const int level = ((i / 500) % 3 - 1) * range / 3;
        v.push_back(std::clamp(level + static_cast<int>((seed >> 8) % static_cast<uint32_t>(range)) - range / 2,
                               bits == 16 ? -32768 : -128, bits == 16 ? 32767 : 127));
    }
    return v;
}
}  // namespace

TEST(DcFilter, BlocksGiveTheSameOutputAndStateAsSampleBySample) {
    for (int bits : {16, 8}) {
        for (int channels : {1, 2}) {
            for (int wlen : {1, 2, 3, 4, 5, 8, 17, 37, 200}) {
                for (bool skips : {false, true}) {
                    SCOPED_TRACE(testing::Message() << "bits " << bits << " channels " << channels << " wlen " << wlen
                                                    << " skips " << skips);
                    const std::vector<int> v = drifting_noise(5000, bits, static_cast<uint32_t>(wlen + bits));
                    Frames a(v, bits, channels, channels - 1), b(v, bits, channels, channels - 1);
                    Filter fa(a.in, wlen), fb(b.in, wlen);
                    std::vector<int> one, blocks;
                    int stage[300];
                    for (int step = 0;; step++) {
                        if (skips && step % 41 == 40) {
                            // Samples read past the filter, as the integrate-and-dump reader does.
                            for (int j = 0; j < step % 7; j++) {
                                read_signed_sample(a.in);
                                read_signed_sample(b.in);
                            }
                        }
                        const int want = 1 + step * 37 % 300;
                        const int got = dc_filter_block(fb.f, stage, want);
                        ASSERT_LE(got, want);
                        blocks.insert(blocks.end(), stage, stage + got);
                        int k = 0;
                        for (; k < got; k++) {
                            const int x = read_sample(fa.f);
                            ASSERT_NE(x, kEndOfData);
                            one.push_back(x);
                        }
                        if (got == 0) {
                            EXPECT_EQ(read_sample(fa.f), kEndOfData);
                            break;
                        }
                    }
                    EXPECT_EQ(blocks, one);
                    EXPECT_EQ(a.in.sample_count, b.in.sample_count);
                    EXPECT_EQ(fa.f.min, fb.f.min);
                    EXPECT_EQ(fa.f.max, fb.f.max);
                    EXPECT_EQ(fa.f.next_k, fb.f.next_k);
                    EXPECT_EQ(fa.f.next_slot, fb.f.next_slot);
                    EXPECT_EQ(std::vector<int>(fa.f.sample_buff, fa.f.sample_buff + wlen),
                              std::vector<int>(fb.f.sample_buff, fb.f.sample_buff + wlen));
                }
            }
        }
    }
}

TEST(DcFilter, WithoutSkipsTheOutputIsPredecessorMinusMidpointOfTheLastWindow) {
    // From first principles: the newest wlen samples, nothing else.
    const int wlen = 150;
    const std::vector<int> v = drifting_noise(4000, 16, 7);
    Frames f(v, 16, 1, 0);
    Filter flt(f.in, wlen);
    int stage[512];
    std::size_t k = 0;
    for (int got; (got = dc_filter_block(flt.f, stage, 512)) > 0;) {
        for (int i = 0; i < got; i++, k++) {
            if (k + 1 < static_cast<std::size_t>(wlen)) {
                ASSERT_EQ(stage[i], 0);
                continue;
            }
            const auto first = v.begin() + static_cast<std::ptrdiff_t>(k + 1 - wlen);
            const auto last = v.begin() + static_cast<std::ptrdiff_t>(k + 1);
            const int mn = *std::min_element(first, last), mx = *std::max_element(first, last);
            ASSERT_EQ(stage[i], v[k - 1] - (mn + mx) / 2) << "sample " << k;
        }
    }
    EXPECT_EQ(k, v.size());
}
