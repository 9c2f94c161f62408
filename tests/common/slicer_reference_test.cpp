// The block-scanning slicer against a plain one-sample-at-a-time slicer
// written out here: random and noisy sample streams in every input layout,
// read from memory and through a pipe in odd-sized pieces, with and without
// interpolated crossings, with the caller switching the skipping of short
// runs on and off and stopping the scan to read samples itself. Runs, stop
// positions and the final state must agree exactly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "slicer/run_readers.h"
#include "synth/wav_writer.h"

using namespace sonde;

namespace {

struct Layout {
    int bits;
    int channels;
    int wav_channel;  // may name a channel the file lacks
};

struct Policy {
    int skip_mode;  // 0 never skip, 1 always, 2 switch every few runs
    bool stops;     // the caller stops the scan now and then and reads samples itself
    bool skip_at_start() const { return skip_mode != 0; }
    bool skip_after(int run) const { return skip_mode == 1 || (skip_mode == 2 && (run / 5) % 2 == 1); }
    bool stop_after(int run) const { return stops && run % 7 == 3; }
    static int raw_after(int run) { return run % 4; }
};

struct Event {
    int bit, len;
    long long pos;  // samples consumed when the caller took over, else -1
    bool operator==(const Event&) const = default;
};

struct FinalState {
    int par, par_alt, last_sample;
    float x0;
    bool operator==(const FinalState&) const = default;
};

// Noise with short and long runs, zeros, -1 and the extremes.
std::vector<int> noisy_samples(std::mt19937& rng, int n, int bits) {
    const int lo = bits == 16 ? -32768 : -128, hi = bits == 16 ? 32767 : 127;
    std::vector<int> out;
    int sign = 1;
    while (static_cast<int>(out.size()) < n) {
        const int pick = static_cast<int>(rng() % 100);
        int len = pick < 60   ? 1 + static_cast<int>(rng() % 3)
                  : pick < 95 ? 1 + static_cast<int>(rng() % 30)
                              : 1 + static_cast<int>(rng() % 400);
        for (int i = 0; i < len && static_cast<int>(out.size()) < n; i++) {
            const int kind = static_cast<int>(rng() % 20);
            int v;
            if (kind == 0)
                v = sign > 0 ? 0 : -1;
            else if (kind == 1)
                v = sign > 0 ? hi : lo;
            else
                v = sign * (1 + static_cast<int>(rng() % static_cast<unsigned>(hi)));
            out.push_back(std::clamp(v, lo, hi));
        }
        sign = -sign;
    }
    return out;
}

// The WAV image, and the samples the chosen channel delivers.
std::string wav_image(const Layout& l, int rate, const std::vector<int>& signal, std::mt19937& rng,
                      std::vector<int>& delivered) {
    WavSpec format;
    format.sample_rate = rate;
    format.bits = l.bits;
    format.channels = l.channels;
    const std::size_t width = l.bits == 16 ? 2 : 1;
    std::string data;
    delivered.clear();
    for (int s : signal) {
        for (int ch = 0; ch < l.channels; ch++) {
            const int v = ch == l.wav_channel ? s : static_cast<int>(rng() % 200) - 100;
            if (width == 2) {
                data += static_cast<char>(v & 0xFF);
                data += static_cast<char>((v >> 8) & 0xFF);
            } else {
                data += static_cast<char>(v + 128);
            }
        }
        delivered.push_back(l.wav_channel < l.channels ? s : (l.bits == 16 ? 0 : -128));
    }
    return wav_header(format, data.size()) + data;
}

// One sample at a time, as plainly as possible.
std::vector<Event> reference_runs(const std::vector<int>& x, float spb, bool res, const Policy& policy,
                                  FinalState& fin) {
    int par = 1, par_alt = 1, last = 0;
    float x0 = 0.0f;
    bool skip = policy.skip_at_start();
    std::size_t pos = 0;
    int run = 0;
    std::vector<Event> ev;
    for (;;) {
        uint64_t n = 0;
        int sample = last, previous = 0;
        bool end = false;
        do {
            previous = sample;
            if (pos == x.size()) {
                end = true;
                break;
            }
            sample = x[pos++];
            par_alt = par;
            par = sample >= 0 ? 1 : -1;
            n++;
        } while (par * par_alt > 0);
        if (end) {
            last = kEndOfData;
            break;
        }
        last = sample;
        float l;
        if (res) {
            const float x1 = static_cast<float>(sample) / static_cast<float>(sample - previous);
            l = (static_cast<float>(n) + x0 - x1) / spb;
            x0 = x1;
        } else {
            l = static_cast<float>(n) / spb;
        }
        const double r = static_cast<double>(l) + 0.5;
        const int len = r < static_cast<double>(kMaxRunBits) ? static_cast<int>(r) : kMaxRunBits;
        if (len == 0 && skip) continue;
        ev.push_back({(par_alt + 1) / 2, len, -1});
        skip = policy.skip_after(run);
        if (policy.stop_after(run)) {
            pos = std::min(x.size(), pos + static_cast<std::size_t>(Policy::raw_after(run)));
            ev.back().pos = static_cast<long long>(pos);
        }
        run++;
    }
    fin = {par, par_alt, last, x0};
    return ev;
}

std::vector<Event> fast_runs(WavInput& in, float spb, bool res, const Policy& policy, FinalState& fin) {
    SlicerState st;
    st.option_res = res;
    st.skip_zero_runs = policy.skip_at_start();
    int run = 0;
    std::vector<Event> ev;
    auto on_run = [&](int bit, int len) {
        ev.push_back({bit, len, -1});
        st.skip_zero_runs = policy.skip_after(run);
        return policy.stop_after(run++);
    };
    while (read_runs(st, in, spb, on_run) == 0) {
        for (int k = 0; k < Policy::raw_after(run - 1); k++) read_signed_sample(in);
        ev.back().pos = static_cast<long long>(in.sample_count);
    }
    fin = {st.par, st.par_alt, st.last_sample, st.x0};
    return ev;
}

std::unique_ptr<WavInput> open_memory(const std::string& image, int wav_channel) {
    auto in = std::make_unique<WavInput>();
    in->wav_channel = wav_channel;
    in->nominal_bit_rate = 9600.0f;
    source_open_memory(in->src, image.data(), image.size());
    EXPECT_EQ(read_wav_header(*in, -1), 0);
    return in;
}

// Feeds the image through a pipe in odd-sized pieces while fn reads it.
template <class Fn>
void through_pipe(const std::string& image, int wav_channel, Fn fn) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::thread writer([&] {
        std::size_t at = 0, piece = 1;
        while (at < image.size()) {
            const std::size_t n = std::min(piece, image.size() - at);
            EXPECT_EQ(write(fds[1], image.data() + at, n), static_cast<ssize_t>(n));
            at += n;
            piece = piece * 7 % 1013 + 1;
        }
        close(fds[1]);
    });
    auto in = std::make_unique<WavInput>();
    in->wav_channel = wav_channel;
    in->nominal_bit_rate = 9600.0f;
    source_open_fd(in->src, fds[0]);
    EXPECT_EQ(read_wav_header(*in, -1), 0);
    fn(*in);
    writer.join();
    close(fds[0]);
}

// 8-bit stereo has the frame size of 16-bit mono: the two must not be confused.
const Layout kLayouts[] = {{16, 1, 0}, {8, 1, 0},  {16, 2, 1}, {8, 2, 1}, {8, 2, 0},
                           {8, 3, 2},  {16, 3, 0}, {16, 1, 1}, {8, 1, 1}};

}  // namespace

TEST(SlicerReference, EveryLayoutRateAndCallerPolicyGivesTheSameRunsAndState) {
    std::mt19937 rng(11);
    for (const Layout& l : kLayouts) {
        for (int rate : {48000, 44100, 96000, 8000}) {
            const std::vector<int> signal = noisy_samples(rng, 3000, l.bits);
            std::vector<int> x;
            const std::string image = wav_image(l, rate, signal, rng, x);
            const float spb = static_cast<float>(rate) / 9600.0f;
            for (bool res : {false, true}) {
                for (int skip_mode : {0, 1, 2}) {
                    for (bool stops : {false, true}) {
                        SCOPED_TRACE(testing::Message() << "bits " << l.bits << " channels " << l.channels << " ch "
                                                        << l.wav_channel << " rate " << rate << " res " << res
                                                        << " skip " << skip_mode << " stops " << stops);
                        const Policy policy{skip_mode, stops};
                        FinalState want{}, got{};
                        const std::vector<Event> expected = reference_runs(x, spb, res, policy, want);
                        auto in = open_memory(image, l.wav_channel);
                        EXPECT_EQ(fast_runs(*in, spb, res, policy, got), expected);
                        EXPECT_EQ(got, want);
                        EXPECT_EQ(in->sample_count, x.size());
                    }
                }
            }
        }
    }
}

TEST(SlicerReference, APipeFedInOddPiecesSplitsFramesAcrossBlocksWithoutEffect) {
    std::mt19937 rng(12);
    for (const Layout& l : kLayouts) {
        const std::vector<int> signal = noisy_samples(rng, 20000, l.bits);
        std::vector<int> x;
        const std::string image = wav_image(l, 48000, signal, rng, x);
        for (bool res : {false, true}) {
            SCOPED_TRACE(testing::Message() << "bits " << l.bits << " channels " << l.channels << " res " << res);
            const Policy policy{2, true};
            FinalState want{}, got{};
            const std::vector<Event> expected = reference_runs(x, 5.0f, res, policy, want);
            through_pipe(image, l.wav_channel, [&](WavInput& in) {
                EXPECT_EQ(fast_runs(in, 5.0f, res, policy, got), expected);
                EXPECT_EQ(in.sample_count, x.size());
            });
            EXPECT_EQ(got, want);
        }
    }
}

TEST(SlicerReference, OneRunAtATimeMatchesTheGenericReaderOnEveryLayout) {
    // read_bits_fsk on the WAV input against the template reading the same
    // samples through read_sample, switching skipping between calls.
    struct Listed {
        const std::vector<int>* x;
        std::size_t at = 0;
    };
    std::mt19937 rng(13);
    for (const Layout& l : kLayouts) {
        const std::vector<int> signal = noisy_samples(rng, 5000, l.bits);
        std::vector<int> x;
        const std::string image = wav_image(l, 44100, signal, rng, x);
        for (bool res : {false, true}) {
            auto in = open_memory(image, l.wav_channel);
            SlicerState a, b;
            a.option_res = b.option_res = res;
            a.option_inv = b.option_inv = 1;
            int calls = 0;
            std::size_t at = 0;
            for (;;) {
                a.skip_zero_runs = b.skip_zero_runs = calls++ % 3 != 0;
                int bit_a = -1, len_a = -1, bit_b = -1, len_b = -1;
                const int ra = read_bits_fsk(a, *in, in->samples_per_bit, &bit_a, &len_a);
                // The generic reader over the same samples.
                uint64_t n = 0;
                int rb = -1;
                for (;;) {
                    int sample = b.last_sample, previous;
                    n = 0;
                    bool end = false;
                    do {
                        previous = sample;
                        if (at == x.size()) {
                            end = true;
                            break;
                        }
                        sample = x[at++];
                        b.par_alt = b.par;
                        b.par = sample >= 0 ? 1 : -1;
                        n++;
                    } while (b.par * b.par_alt > 0);
                    if (end) {
                        b.last_sample = kEndOfData;
                        break;
                    }
                    b.last_sample = sample;
                    slicer_run_length(b, n, previous, sample, in->samples_per_bit, &bit_b, &len_b);
                    if (len_b > 0 || !b.skip_zero_runs) {
                        rb = 0;
                        break;
                    }
                }
                ASSERT_EQ(ra, rb);
                if (ra < 0) break;
                ASSERT_EQ(bit_a, bit_b);
                ASSERT_EQ(len_a, len_b);
                ASSERT_EQ(in->sample_count, at);
            }
            EXPECT_EQ(a.par, b.par);
            EXPECT_EQ(a.par_alt, b.par_alt);
            EXPECT_EQ(a.last_sample, b.last_sample);
            EXPECT_EQ(a.x0, b.x0);
        }
    }
}

TEST(SlicerReference, StagedSamplesSliceLikeOneAtATimeInAnyBlockSizes) {
    std::mt19937 rng(14);
    for (int bits : {16, 8}) {
        std::vector<int> x = noisy_samples(rng, 6000, bits);
        // Filtered samples reach beyond the 16-bit range.
        for (std::size_t i = 0; i < x.size(); i += 37) x[i] *= 3;
        for (bool res : {false, true}) {
            for (int skip_mode : {0, 1, 2}) {
                const Policy policy{skip_mode, false};
                FinalState want{};
                const std::vector<Event> expected = reference_runs(x, 4.59375f, res, policy, want);
                SlicerState st;
                st.option_res = res;
                st.skip_zero_runs = policy.skip_at_start();
                RunCarry carry = run_carry(st);
                std::vector<Event> got;
                int run = 0;
                for (std::size_t at = 0, piece = 1; at < x.size(); piece = piece * 5 % 211 + 1) {
                    const std::size_t n = std::min(piece, x.size() - at);
                    slice_samples(st, x.data() + at, n, 4.59375f, carry, [&](int bit, int len) {
                        got.push_back({bit, len, -1});
                        st.skip_zero_runs = policy.skip_after(run++);
                    });
                    at += n;
                }
                slice_samples_end(st);
                EXPECT_EQ(got, expected) << "bits " << bits << " res " << res << " skip " << skip_mode;
                EXPECT_EQ((FinalState{st.par, st.par_alt, st.last_sample, st.x0}), want);
            }
        }
    }
}

TEST(SlicerReference, InterpolatedLengthsMatchTheFloatArithmeticAlsoAtEveryStep) {
    std::mt19937 rng(15);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (float spb : {5.0f, 4.59375f, 10.0f, 9.1875f, 0.8333333f, 80.0f, 2.5f}) {
        SlicerState st;
        fill_run_table(st, spb);
        auto direct = [&](uint64_t n, float x0, float x1) {
            return whole_bits((static_cast<float>(n) + x0 - x1) / spb);
        };
        for (int k = 1; k <= kRunTableSize; k++) {
            // The step is the smallest distance that reaches k bits.
            const float step = st.res_step[k];
            EXPECT_GE(whole_bits(step / spb), k) << spb << " " << k;
            EXPECT_LT(whole_bits(std::nextafter(step, 0.0f) / spb), k) << spb << " " << k;
            // Distances landing exactly on the step and just below it.
            for (uint64_t n = 1; n + 1 < kRunTableSize; n++) {
                const float x0 = step - static_cast<float>(n);
                if (x0 < 0.0f || x0 > 1.0f) continue;
                for (float x1 : {0.0f, std::nextafter(0.0f, 1.0f)}) {
                    ASSERT_EQ(res_run_bits(st, n, x0, x1, spb), direct(n, x0, x1)) << spb << " " << n;
                }
            }
        }
        for (int i = 0; i < 20000; i++) {
            const uint64_t n = 1 + rng() % 90;
            const float x0 = unit(rng), x1 = unit(rng);
            ASSERT_EQ(res_run_bits(st, n, x0, x1, spb), direct(n, x0, x1)) << spb << " " << n << " " << x0 << " " << x1;
        }
    }
}
