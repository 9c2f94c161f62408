// Micro-benchmarks of the per-sample inner loops: the zero-crossing slicer
// on the WAV input (plain and with interpolated crossings, 48000 and 44100
// Hz), the DC filter ahead of it, and the sync ring. The input is one
// second of receiver noise with a stretch of clean bits, like the gaps and
// frames of a real recording.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "slicer/run_readers.h"
#include "pelkin/dc_filter.h"
#include "slicer/sync_ring.h"
#include "synth/wav_writer.h"

using namespace sonde;
using namespace sonde::pelkin;

namespace {

std::vector<int> receiver_audio(int rate, double baud) {
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 6000.0);
    std::vector<int> x(static_cast<std::size_t>(rate));
    const double spb = rate / baud;
    for (std::size_t i = 0; i < x.size(); i++) {
        double v = noise(rng);
        if (i > x.size() / 2) {
            // Clean bits in the second half, from a fixed pseudo-random pattern.
            const auto bit = static_cast<uint32_t>(static_cast<double>(i) / spb);
            v = v / 4 + ((bit * 2654435761u >> 13) & 1 ? 12000.0 : -12000.0);
        }
        x[i] = static_cast<int>(std::max(-32768.0, std::min(32767.0, v)));
    }
    return x;
}

std::string wav_of(const std::vector<int>& x, int rate) {
    WavSpec format;
    format.sample_rate = rate;
    std::string data;
    for (int s : x) {
        data += static_cast<char>(s & 0xFF);
        data += static_cast<char>((s >> 8) & 0xFF);
    }
    return wav_header(format, data.size()) + data;
}

std::unique_ptr<WavInput> open_image(const std::string& image, float nominal) {
    auto in = std::make_unique<WavInput>();
    in->nominal_bit_rate = nominal;
    source_open_memory(in->src, image.data(), image.size());
    read_wav_header(*in, -1);
    return in;
}

void slicer(benchmark::State& state, bool res, bool skip) {
    const int rate = static_cast<int>(state.range(0));
    const std::string image = wav_of(receiver_audio(rate, 9600.0), rate);
    for (auto _ : state) {
        auto in = open_image(image, 9600.0f);
        SlicerState st;
        st.option_res = res;
        st.skip_zero_runs = skip;
        long bits = 0;
        read_runs(st, *in, in->samples_per_bit, [&](int bit, int len) {
            bits += bit + len;
            return false;
        });
        benchmark::DoNotOptimize(bits);
    }
    state.SetItemsProcessed(state.iterations() * rate);
}

void BM_SlicerPlain(benchmark::State& state) { slicer(state, false, true); }
void BM_SlicerPlainEveryRun(benchmark::State& state) { slicer(state, false, false); }
void BM_SlicerRes(benchmark::State& state) { slicer(state, true, true); }

// One run per call, the way a caller outside the scan sees it.
void BM_SlicerRunByRun(benchmark::State& state) {
    const int rate = static_cast<int>(state.range(0));
    const std::string image = wav_of(receiver_audio(rate, 9600.0), rate);
    for (auto _ : state) {
        auto in = open_image(image, 9600.0f);
        SlicerState st;
        int bit, len;
        long bits = 0;
        while (read_bits_fsk(st, *in, in->samples_per_bit, &bit, &len) == 0) bits += bit + len;
        benchmark::DoNotOptimize(bits);
    }
    state.SetItemsProcessed(state.iterations() * rate);
}

// The DC filter over a 48000 Hz receiver recording, opened as pelkin --dc
// opens it.
struct Filtered {
    std::unique_ptr<WavInput> in;
    DcFilter f;
    explicit Filtered(const std::string& image) : in(open_image(image, 4800.0f)) {
        dc_filter_open(f, *in, dc_window_length(in->samples_per_bit));
    }
    ~Filtered() { dc_filter_close(f); }
};

void BM_DcFilterSampleBySample(benchmark::State& state) {
    const std::string image = wav_of(receiver_audio(48000, 4800.0), 48000);
    for (auto _ : state) {
        Filtered d(image);
        long sum = 0;
        for (int x; (x = read_sample(d.f)) != kEndOfData;) sum += x;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 48000);
}

void BM_DcFilterBlocks(benchmark::State& state) {
    const std::string image = wav_of(receiver_audio(48000, 4800.0), 48000);
    std::vector<int> stage(kDcBlock);
    for (auto _ : state) {
        Filtered d(image);
        long sum = 0;
        for (int got; (got = dc_filter_block(d.f, stage.data(), kDcBlock)) > 0;)
            sum += stage[static_cast<std::size_t>(got - 1)];
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 48000);
}

// The filter and the slicer over its staged output, as pelkin --dc runs them.
void BM_DcFilterAndSlicer(benchmark::State& state) {
    const std::string image = wav_of(receiver_audio(48000, 4800.0), 48000);
    std::vector<int> stage(kDcBlock);
    for (auto _ : state) {
        Filtered d(image);
        SlicerState st;
        st.skip_zero_runs = true;
        RunCarry carry = run_carry(st);
        long bits = 0;
        for (int got; (got = dc_filter_block(d.f, stage.data(), kDcBlock)) > 0;)
            slice_samples(st, stage.data(), static_cast<std::size_t>(got), d.in->samples_per_bit, carry,
                          [&](int bit, int len) { bits += bit + len; });
        benchmark::DoNotOptimize(bits);
    }
    state.SetItemsProcessed(state.iterations() * 48000);
}

// Bits one at a time through the ring with a comparison after each.
void BM_SyncRingPushCompare(benchmark::State& state) {
    std::mt19937 rng(3);
    std::vector<char> bits(1 << 16);
    for (char& c : bits) c = static_cast<char>('0' + (rng() & 1));
    SyncRing r;
    sync_ring_init(r, "00101010110010101011");
    for (auto _ : state) {
        int found = 0;
        for (char c : bits) {
            sync_ring_push(r, c);
            found += compare_word(r, r.bits, r.valid, true);
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(bits.size()));
}

void BM_SyncRingPushRun(benchmark::State& state) {
    SyncRing r;
    sync_ring_init(r, "10011001100110010100110010011001");
    for (auto _ : state) {
        for (int k = 1; k <= 32; k++) sync_ring_push_bits(r, k & 1, k);
        benchmark::DoNotOptimize(r.bits);
    }
    state.SetItemsProcessed(state.iterations() * 32);
}

}  // namespace

BENCHMARK(BM_SlicerPlain)->Arg(48000)->Arg(44100);
BENCHMARK(BM_SlicerPlainEveryRun)->Arg(48000)->Arg(44100);
BENCHMARK(BM_SlicerRes)->Arg(48000)->Arg(44100);
BENCHMARK(BM_SlicerRunByRun)->Arg(48000)->Arg(44100);
BENCHMARK(BM_DcFilterSampleBySample);
BENCHMARK(BM_DcFilterBlocks);
BENCHMARK(BM_DcFilterAndSlicer);
BENCHMARK(BM_SyncRingPushCompare);
BENCHMARK(BM_SyncRingPushRun);

BENCHMARK_MAIN();
