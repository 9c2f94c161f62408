#include "ber_measure.h"

#include <cmath>
#include <complex>
#include <memory>
#include <vector>

namespace rxchain {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr long kEdgeBits = 8;  // left out at both ends: filter start-up and tail
}  // namespace

BerCount measure_ber(const ChainConfig& cfg, BerSignal signal, int bit_rate, long nbits, uint64_t bit_seed) {
    BerCount count;
    auto chain = std::make_unique<RxChain>();
    if (bit_rate <= 0 || nbits <= 2 * kEdgeBits || !chain_init(*chain, cfg)) return count;
    const int64_t fa = cfg.audio_rate;
    // Bit of input sample s.
    auto bit_of = [&](int64_t s) { return s * bit_rate / fa; };
    const int64_t total = (nbits * fa + bit_rate - 1) / bit_rate + chain->delay;

    NormalSource bits_rng = normal_seeded(bit_seed);
    std::vector<uint8_t> bits(static_cast<std::size_t>(nbits));
    for (auto& b : bits) b = static_cast<uint8_t>(normal_next_u64(bits_rng) >> 63);

    constexpr int kChunk = 4096;
    std::vector<float> in(kChunk), out(kChunk);
    double tx_phase = 0.0;
    // Detector state for the bit being summed.
    int64_t cur_bit = -1;
    double sum = 0.0;
    std::complex<double> c1, c0;
    auto decide = [&]() {
        if (cur_bit < kEdgeBits || cur_bit >= nbits - kEdgeBits) return;
        const int sent = bits[static_cast<std::size_t>(cur_bit)];
        const int got = signal == BerSignal::nrz ? (sum > 0.0) : (std::norm(c1) > std::norm(c0));
        count.bits++;
        count.errors += got != sent;
    };
    for (int64_t s0 = 0; s0 < total; s0 += kChunk) {
        const int n = static_cast<int>(std::min<int64_t>(kChunk, total - s0));
        for (int i = 0; i < n; i++) {
            const int64_t s = s0 + i;
            const int64_t b = bit_of(s);
            const int bit = b < nbits ? bits[static_cast<std::size_t>(b)] : 1;
            if (signal == BerSignal::nrz) {
                in[static_cast<std::size_t>(i)] = static_cast<float>(bit ? cfg.input_peak : -cfg.input_peak);
            } else {
                tx_phase += 2.0 * kPi * (bit ? 1200.0 : 2200.0) / static_cast<double>(fa);
                if (tx_phase > 2.0 * kPi) tx_phase -= 2.0 * kPi;
                in[static_cast<std::size_t>(i)] = static_cast<float>(cfg.input_peak * std::sin(tx_phase));
            }
        }
        chain_process(*chain, in.data(), out.data(), static_cast<std::size_t>(n));
        for (int i = 0; i < n; i++) {
            const int64_t s = s0 + i - chain->delay;  // input sample this output belongs to
            if (s < 0) continue;
            const int64_t b = bit_of(s);
            if (b != cur_bit) {
                decide();
                cur_bit = b;
                sum = 0.0;
                c1 = c0 = 0.0;
            }
            const double y = out[static_cast<std::size_t>(i)];
            if (signal == BerSignal::nrz) {
                sum += y;
            } else {
                const double t = static_cast<double>(s) / static_cast<double>(fa);
                c1 += y * std::polar(1.0, -2.0 * kPi * 1200.0 * t);
                c0 += y * std::polar(1.0, -2.0 * kPi * 2200.0 * t);
            }
        }
    }
    return count;
}

}  // namespace rxchain
