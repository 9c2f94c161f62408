// Bit error rates measured through the receiver chain with ideal detectors
// that know every bit's timing: the yardsticks the chain is checked against
// and the decoders' reference lines are drawn from.
#pragma once

#include <cstdint>

#include "rx_chain.h"

namespace rxchain {

enum class BerSignal {
    nrz,   // two-level baseband; integrate-and-dump over each bit, sign decision
    afsk,  // 1200 Hz for 1, 2200 Hz for 0, phase-continuous; non-coherent
           // correlators at both tones over each bit, the stronger wins
};

struct BerCount {
    long bits = 0;
    long errors = 0;
    double rate() const { return bits > 0 ? static_cast<double>(errors) / static_cast<double>(bits) : 0.0; }
};

// Sends nbits random bits (from bit_seed) at bit_rate through a chain built
// from cfg (its input_peak is the signal's peak) and counts the ideal
// detector's errors. The audio rate need not be a multiple of the bit rate.
BerCount measure_ber(const ChainConfig& cfg, BerSignal signal, int bit_rate, long nbits, uint64_t bit_seed);

}  // namespace rxchain
