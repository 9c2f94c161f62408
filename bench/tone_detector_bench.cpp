// ostrel's tone decision per sample: the fast detector against the direct
// transforms, for each method, on one second of noisy 48000 Hz AFSK.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "ostrel/bit_timing.h"
#include "ostrel/fast_tone.h"
#include "ostrel/tone_detector.h"

using namespace sonde;
using namespace sonde::ostrel;

namespace {

constexpr int kRate = 48000;

// Runs of 1200 and 2200 Hz of one to four bits, phase-continuous, amplitude
// 0.5 of full scale, with uniform noise about 10 dB down; deterministic.
std::vector<int> afsk_second() {
    std::vector<int> s;
    uint32_t lcg = 12345;
    auto rnd = [&lcg] {
        lcg = lcg * 1664525u + 1013904223u;
        return static_cast<double>(lcg >> 8) / 16777216.0;
    };
    double phase = 0.0;
    bool one = true;
    while (s.size() < kRate) {
        const int run = 40 * (1 + static_cast<int>(rnd() * 4.0));
        const double w = 2.0 * M_PI * (one ? 1200.0 : 2200.0) / kRate;
        for (int i = 0; i < run; i++, phase += w) {
            const double x = 0.5 * std::sin(phase) + 0.27 * (rnd() - 0.5);
            s.push_back(static_cast<int>(std::lround(x * 32767.0)));
        }
        one = !one;
    }
    s.resize(kRate);
    return s;
}

struct Setup {
    std::vector<int> samples = afsk_second();
    std::unique_ptr<BitTiming> timing = std::make_unique<BitTiming>();
    std::unique_ptr<ToneDetector> det = std::make_unique<ToneDetector>();
    std::unique_ptr<FastTone> fast = std::make_unique<FastTone>();
    explicit Setup(int method) {
        set_tone_bins(*det, kRate);
        init_dft(*det);
        fast_tone_init(*fast, *det, static_cast<ToneMethod>(method));
        bit_timing_init(*timing, kRate, 16);
    }
};

// The fast detector a block at a time, as ostrel runs it: the decisions
// alone (range 1: 0), then with the bit layer taking them (range 1: 1).
void BM_Fast(benchmark::State& state) {
    const int method = static_cast<int>(state.range(0));
    const bool with_timing = state.range(1) != 0;
    Setup su(method);
    std::vector<double> scaled(kToneBlock);
    std::vector<int8_t> decision(kToneBlock);
    int frames = 0;
    auto on_frame = [&frames](const unsigned char*, int) { frames++; };
    for (auto _ : state) {
        for (std::size_t at = 0; at < su.samples.size(); at += kToneBlock) {
            const int n = static_cast<int>(std::min<std::size_t>(kToneBlock, su.samples.size() - at));
            for (int i = 0; i < n; i++) scaled[i] = static_cast<double>(su.samples[at + i]) * su.timing->sample_step;
            fast_tone_block(*su.fast, *su.det, scaled.data(), n, decision.data());
            if (with_timing) timing_decisions(*su.timing, decision.data(), n, on_frame);
        }
        benchmark::DoNotOptimize(decision.data());
        benchmark::DoNotOptimize(frames);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kRate);
    state.counters["fallback_per_mille"] =
        1000.0 * static_cast<double>(su.fast->fallbacks) / static_cast<double>(su.fast->decisions);
}

void BM_Direct(benchmark::State& state) {
    const int method = static_cast<int>(state.range(0));
    Setup su(method);
    std::vector<double> scaled(su.samples.size());
    for (std::size_t i = 0; i < scaled.size(); i++)
        scaled[i] = static_cast<double>(su.samples[i]) * su.timing->sample_step;
    int tone = kToneUndecided;
    for (auto _ : state) {
        for (std::size_t at = kDftSize; at < scaled.size(); at++) {
            window_span(*su.det, scaled.data() + at + 1 - kDftSize);
            tone_decision(*su.det, static_cast<ToneMethod>(method), tone);
        }
        benchmark::DoNotOptimize(tone);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kRate);
}

}  // namespace

BENCHMARK(BM_Fast)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Direct)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
