#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "pelkin/pelkin_synth.h"
#include "pelkin/robust_correction.h"
#include "pelkin/robust_receiver.h"
#include "synth/signals.h"

namespace {
using sonde::pelkin::RobustFrame;
using sonde::pelkin::RobustReceiver;

struct Received {
    std::vector<std::string> bits;
    std::vector<RobustFrame> frames;
    uint64_t candidates = 0;
    uint64_t reads = 0;
};

// Feeds the signal (full scale 1.0) as 16-bit samples, in uneven blocks.
Received receive(const std::vector<double>& signal, double rate, bool try_deemphasis = true) {
    auto rx = std::make_unique<RobustReceiver>();
    sonde::pelkin::RobustConfig cfg;
    cfg.try_deemphasis = try_deemphasis;
    sonde::pelkin::receiver_init(*rx, rate, cfg);
    Received r;
    std::vector<float> s;
    for (double v : signal) s.push_back(static_cast<float>(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0)) / 32768.0f);
    auto take = [&](const sonde::SoftFrame& f) {
        std::string bits;
        for (int k = 0; k < f.count; k++) bits.push_back(f.hard[k] ? '1' : '0');
        r.bits.push_back(bits);
        r.frames.push_back(rx->reader.frame);
    };
    const sonde::FrameSink sink = sonde::frame_sink(take);
    std::size_t at = 0, step = 777;
    while (at < s.size()) {
        const std::size_t n = std::min(step, s.size() - at);
        sonde::pelkin::receiver_feed(*rx, s.data() + at, n, sink);
        at += n;
        step = step * 3 % 4001 + 1;
    }
    r.candidates = rx->search.candidates_seen;
    r.reads = rx->reader.reads;
    return r;
}

std::vector<std::string> air_frames(int n, int extra_aa = 0) {
    std::vector<std::string> air;
    for (int k = 0; k < n; k++) {
        PelkinFields f;
        f.time = pelkin_time_add_seconds(f.time, k);
        f.lat_e6 += 1111 * k;
        air.push_back(pelkin_air_bits(pelkin_frame_bytes(f), extra_aa));
    }
    return air;
}

std::vector<double> record(const std::vector<std::string>& air, double rate, double amplitude = 0.5) {
    PelkinTx tx;
    tx.sample_rate = rate;
    tx.amplitude = amplitude;
    tx.gap_bits = 700;
    return pelkin_recording(tx, air).signal;
}

void expect_frames(const Received& r, const std::vector<std::string>& air) {
    ASSERT_EQ(r.bits.size(), air.size());
    for (std::size_t k = 0; k < air.size(); k++) EXPECT_EQ(r.bits[k], air[k].substr(20, 500)) << k;
}

// 20 Hz 2nd-order Butterworth high-pass (bilinear), as an AC-coupled sound card.
void highpass_20hz(std::vector<double>& x, double rate) {
    const double w = std::tan(M_PI * 20.0 / rate), k = w * w, q = std::sqrt(2.0);
    const double n = 1.0 / (1.0 + q * w + k);
    const double a1 = 2.0 * (k - 1.0) * n, a2 = (1.0 - q * w + k) * n;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (double& v : x) {
        const double y = n * (v - 2.0 * x1 + x2) - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = v;
        y2 = y1;
        y1 = y;
        v = y;
    }
}
}  // namespace

TEST(RobustReceiver, IntegralOfStepsAtFractionalTimes) {
    RobustReceiver rx;
    sonde::pelkin::receiver_init(rx, 48000.0);
    float ramp[8];
    for (int k = 0; k < 8; k++) ramp[k] = static_cast<float>(k) / 32768.0f;  // in units of 2^-15
    auto none = [](const sonde::SoftFrame&) {};
    sonde::pelkin::receiver_feed(rx, ramp, 8, sonde::frame_sink(none));
    // Sample n covers [n, n + 1): half of 2, all of 3, a quarter of 4.
    EXPECT_DOUBLE_EQ(sonde::integrator_span(rx.sums, 2.5, 4.25), 5.0);
    EXPECT_DOUBLE_EQ(sonde::integrator_span(rx.sums, 0.0, 8.0), 28.0);
}

// A DC level beyond the signal's own amplitude (all of it on one side of
// zero), reversed polarity, 9.1875 samples per bit, and extra preamble.
TEST(RobustReceiver, OffsetInvertedFractionalRate) {
    const std::vector<std::string> air = air_frames(4, 2);
    std::vector<double> x = record(air, 44100.0, 0.3);
    for (double& v : x) v = -v + 0.4;
    expect_frames(receive(x, 44100.0), air);
}

TEST(RobustReceiver, AcCoupledAudioWithNoise) {
    const std::vector<std::string> air = air_frames(6);
    std::vector<double> x = record(air, 48000.0);
    highpass_20hz(x, 48000.0);
    add_noise_sigma(x, 0.08, 7);
    expect_frames(receive(x, 48000.0), air);
}

// The transmitter's clock fast or slow, up to the 0.3 % the timing loop
// follows: the gate on the late groups tries bit lengths that far off too.
class BitRateError : public ::testing::TestWithParam<double> {};

TEST_P(BitRateError, Followed) {
    const std::vector<std::string> air = air_frames(3);
    BasebandGen g{96000.0, 4800.0 * (1.0 + GetParam()), 0.5};
    std::vector<double> x;
    baseband_hold(g, x, 1.0, 300);
    for (const std::string& a : air) {
        baseband_bits(g, x, a);
        baseband_hold(g, x, 1.0, 600);
    }
    Received r = receive(x, 96000.0);
    expect_frames(r, air);
}

INSTANTIATE_TEST_SUITE_P(RobustReceiver, BitRateError,
                         ::testing::Values(-0.003, -0.0025, -0.001, 0.001, 0.0025, 0.003));

// Soft values of white Gaussian noise at a known bit SNR: integrated over a
// bit of 10 samples, the noise has variance 10 sigma^2 against (10 a)^2.
TEST(RobustReceiver, SnrAndLevelEstimates) {
    const std::vector<std::string> air = air_frames(3);
    std::vector<double> x = record(air, 48000.0);
    const double sigma = 0.5 * std::sqrt(10.0 / std::pow(10.0, 2.5));  // 25 dB
    add_noise_sigma(x, sigma, 3);
    add_dc(x, 0.2);
    Received r = receive(x, 48000.0);
    ASSERT_EQ(r.frames.size(), 3u);
    for (const RobustFrame& f : r.frames) {
        EXPECT_NEAR(f.snr_db, 25.0, 1.0);
        EXPECT_NEAR(f.dc, 0.2, 0.005);
        EXPECT_GT(f.sync_corr, 0.95);
    }
}

// 75 us de-emphasis smears each bit into the next; read with it undone the
// bits are flat again, which the SNR estimate shows.
TEST(RobustReceiver, UndoesADeemphasis) {
    const std::vector<std::string> air = air_frames(3);
    std::vector<double> x = record(air, 48000.0);
    const double a = std::exp(-1.0 / (48000.0 * 75e-6));
    double y = 0.0;
    for (double& v : x) v = y = a * y + (1.0 - a) * v;
    add_noise_sigma(x, 0.02, 5);
    Received as_is = receive(x, 48000.0, false);
    Received undone = receive(x, 48000.0, true);
    expect_frames(undone, air);
    ASSERT_EQ(as_is.frames.size(), 3u);
    for (int k = 0; k < 3; k++) EXPECT_GT(undone.frames[k].snr_db, as_is.frames[k].snr_db + 3.0) << k;
}

// A click: a spike half a bit wide whose area is that of a whole opposite
// bit turns a one into a zero, but the limiter leaves its soft value the
// smallest of the frame, and the CRC correction takes it back.
TEST(RobustReceiver, AClickIsUnreliableAndCorrected) {
    const std::vector<std::string> air = air_frames(1);
    PelkinTx tx;
    tx.gap_bits = 700;
    PelkinRecording rec = pelkin_recording(tx, air);
    const std::string body = air[0].substr(20, 500);
    const std::size_t bit = body.find('1', 203);
    ASSERT_LT(bit % 10, 9u);
    ASSERT_GT(bit % 10, 0u);
    const std::size_t at = rec.body_start[0] + bit * 10 + 2;
    for (std::size_t i = at; i < at + 5; i++) rec.signal[i] -= 2.0 * 0.5 * 2.0;
    for (double& v : rec.signal) v *= 0.4;  // room for the spike
    Received r = receive(rec.signal, 48000.0);
    ASSERT_EQ(r.frames.size(), 1u);
    std::string bits = r.bits[0];
    EXPECT_EQ(bits[bit], '0');
    const RobustFrame& f = r.frames[0];
    for (int k = 10; k < 470; k++) {
        if (k % 10 != 0 && k % 10 != 9 && k != static_cast<int>(bit)) {
            EXPECT_GT(std::fabs(f.soft[k]), 4.0f * std::fabs(f.soft[bit])) << k;
        }
    }
    sonde::pelkin::CrcSyndromes syn;
    sonde::pelkin::crc_syndromes_init(syn);
    EXPECT_EQ(sonde::pelkin::correct_frame_bits(syn, bits.data(), f.soft), 1);
    EXPECT_EQ(bits, body);
}

// Noise alone: the sync threshold lets some candidates start (measured
// here), the start/stop gates turn every one of them away.
TEST(RobustReceiver, NoiseGivesNoFrames) {
    std::vector<double> x(48000 * 20, 0.0);
    add_noise_sigma(x, 0.2, 11);
    Received r = receive(x, 48000.0);
    EXPECT_EQ(r.frames.size(), 0u);
    EXPECT_GT(r.candidates, 20u);
    EXPECT_LT(r.candidates, 20u * 60u);
}

// AFSK (1200 Bd on 1200 and 2200 Hz tones) lines up with the sync word and
// the first groups' start and stop bits time and again; the later groups
// turn most of those candidates away before they are read bit by bit
// (measured on these 20 s: 120 of 1282 read, 600 without the gate).
TEST(RobustReceiver, AfskCandidatesAreMostlyNotRead) {
    AfskGen g;
    std::vector<double> x;
    std::string bits;
    uint32_t r = 9;
    for (int i = 0; i < 1200 * 20; i++) {
        r = r * 1664525u + 1013904223u;
        bits += (r >> 30) & 1 ? '1' : '0';
    }
    afsk_bits(g, x, bits);
    const Received rx = receive(x, 48000.0);
    EXPECT_EQ(rx.frames.size(), 0u);
    EXPECT_GT(rx.candidates, 100u);
    EXPECT_LT(rx.reads * 4, rx.candidates) << rx.reads << " of " << rx.candidates;
}
