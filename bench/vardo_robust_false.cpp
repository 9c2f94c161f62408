// False frames of vardo's weak-signal receiver, two figures:
//  1. frames of a known type corrupted beyond correction: soft symbols of
//     valid frames at a low signal-to-noise ratio, decided with check-guided
//     correction; counts the frames that come out marked good but differ
//     from what was sent;
//  2. receiver noise alone: band-limited Gaussian noise pushed through the
//     receiver; counts frames handed on (type bytes matched) and frames
//     marked good.
// usage: vardo_robust_false [FRAMES [NOISE_SECONDS [SEED [SYMBOL_SIGMA]]]]
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "synth/signals.h"
#include "vardo/check_m10.h"
#include "vardo/robust_frame.h"
#include "vardo/robust_receiver.h"

namespace {

struct NoiseCount {
    const sonde::vardo::RobustSyndromes* syn = nullptr;
    long frames = 0;
    long good = 0;
    void operator()(const sonde::SoftFrame& f) {
        frames++;
        if (sonde::vardo::robust_decide(f.soft, f.type, *syn, sonde::vardo::kRobustCandidates).good) good++;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const long frames = argc > 1 ? std::atol(argv[1]) : 100000;
    const double noise_s = argc > 2 ? std::atof(argv[2]) : 600.0;
    const uint64_t seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;
    const double sigma = argc > 4 ? std::atof(argv[4]) : 0.5;
    auto syn = std::make_unique<sonde::vardo::RobustSyndromes>();
    sonde::vardo::robust_syndromes_init(*syn);
    Gaussian g = gaussian_seeded(seed);

    // 1. Corrupted frames: symbol sigma 0.5 gives about 2.3 % symbol errors,
    // some 18 per 101-byte frame, far beyond one or two flips; 0.4 about
    // 0.6 %, so that many frames lie just beyond correction.
    long beyond = 0, accepted = 0, mended = 0;
    for (long k = 0; k < frames; k++) {
        const int t = static_cast<int>(k % sonde::vardo::kRobustTypeCount);
        const int len = sonde::vardo::kRobustTypes[t].len;
        uint8_t bytes[sonde::vardo::kRobustMaxBytes];
        bytes[0] = sonde::vardo::kRobustTypes[t].b0;
        bytes[1] = sonde::vardo::kRobustTypes[t].b1;
        for (int i = 2; i < len - 2; i++) bytes[i] = static_cast<uint8_t>(gaussian_next(g) * 1000.0);
        const uint16_t c = sonde::vardo::checkM10(bytes, len - 2);
        bytes[len - 2] = static_cast<uint8_t>(c >> 8);
        bytes[len - 1] = static_cast<uint8_t>(c);
        float sym[sonde::vardo::kRobustMaxSymbols];
        int prev = 0;
        for (int j = 0; j < 8 * len; j++) {
            const int d = bytes[j / 8] >> (7 - j % 8) & 1;
            prev = d ? prev : 1 - prev;
            sym[j] = static_cast<float>((prev ? 1.0 : -1.0) + sigma * gaussian_next(g));
        }
        const sonde::vardo::RobustDecision d =
            sonde::vardo::robust_decide(sym, t, *syn, sonde::vardo::kRobustCandidates);
        bool same = true;
        for (int i = 0; i < len; i++) same = same && d.bytes[i] == bytes[i];
        if (d.good && same) mended++;
        if (!same || !d.good) beyond++;
        if (d.good && !same) accepted++;
    }
    std::printf("corrupted frames: %ld sent, %ld beyond correction, %ld of them marked good (1 in %.0f), %ld mended\n",
                frames, beyond, accepted, accepted ? static_cast<double>(beyond) / accepted : 0.0, mended);

    if (noise_s <= 0.0) return 0;
    // 2. Noise alone at 48 kHz, low-passed to about the channel bandwidth
    // (receiver noise through the FM chain: rxchain --no-carrier).
    auto rx = std::make_unique<sonde::vardo::RobustReceiver>();
    sonde::vardo::receiver_init(*rx, 48000.0);
    NoiseCount nc;
    nc.syn = syn.get();
    std::vector<float> block(48000);
    double lp = 0.0;
    for (double s = 0.0; s < noise_s; s += 1.0) {
        for (float& x : block) {
            lp += 0.6 * (0.3 * gaussian_next(g) - lp);
            x = static_cast<float>(lp);
        }
        sonde::vardo::receiver_feed(*rx, block.data(), block.size(), sonde::frame_sink(nc));
    }
    std::printf("noise alone: %.0f s, %ld frames handed on (%.2f per 10 min), %ld marked good\n", noise_s, nc.frames,
                nc.frames * 600.0 / noise_s, nc.good);
    return 0;
}
