// Coherent reading of a biphase frame from its complex baseband, once the
// frame's start and channel-bit timing are known (from a receiver on the
// discriminator's audio, which finds frames and keeps timing well).
//
// Signal model: FM with h = 0.5 per channel bit, so the phase turns +-pi/2
// in each channel bit; a symbol is two opposite channel bits, its phase goes
// up pi/2 and back or down and back: at every symbol boundary of the body the
// phase is the same theta0, whatever the data, and over a symbol
// y = A e^{j(theta0 +- psi(t))} + noise, psi a triangle 0 -> pi/2 -> 0.
// The two symbols are orthogonal over a symbol; the statistic
//   s = Im{e^{-j theta0} integral of y} weighted by sin psi
// is the coherent one: errors Q(sqrt(2 Ec / N0)), Ec per channel bit.
//
// theta0 comes from the samples themselves: each channel bit's integral of
// y turned back along the phase path of its known (sync word) or decided
// (body) direction is A e^{j theta0}; their mean over a window of channel
// bits centred on the symbol is the reference. A residual frequency (the
// AFC trails a drifting carrier by some tens of Hz) turns the window's sum
// and, where the frame's end cuts the window short, moves its phase off
// the symbol's: the residual is measured from the frame's own reference
// (the turn between successive blocks of channel bits) and taken out of
// every channel bit's integral first. Decisions come from the caller (a second pass on
// the coherent decisions can be asked for). The start is refined by a small
// search that maximises the reference's magnitude.
#pragma once

#include <complex>
#include <cstdint>
#include <vector>

namespace sonde::iq {

struct BiphaseConfig {
    int window_bits = 64;      // channel bits in the reference's window
    double search_bits = 0.5;  // start searched +- this many channel bits
    int search_steps = 2;      // steps each side (4: the same frames on the bench)
    int passes = 1;            // decision passes after the search (2: the same frames)
};

// Complex samples kept by the caller: sample n is z[n & mask], held for n in [first, end).
struct SampleRing {
    const std::complex<float>* z = nullptr;
    int64_t mask = 0;
    int64_t first = 0;
    int64_t end = 0;
};

struct BiphaseFrame {
    double start = 0.0;                  // sample position where the first symbol begins
    double period = 0.0;                 // samples per channel bit
    const signed char* known = nullptr;  // phase direction (+1, -1) of each channel bit just before start
    int known_bits = 0;
    int symbols = 0;
    int up = 1;  // +1: symbol 1 turns the phase up first
};

struct CoherentBiphase {
    BiphaseConfig cfg;
    int max_bits = 0;
    std::vector<signed char> dir;                 // per channel bit: known, then decided
    std::vector<std::complex<double>> zc;         // per channel bit, turned back along its path
    std::vector<std::complex<double>> cum;        // prefix sums of zc
    std::vector<std::complex<double>> cum_still;  // prefix sums of zc with the residual frequency taken out
    std::vector<int> cum_samples;                 // prefix sums of samples
    std::vector<double> phase;                    // the path's phase at each channel bit's start
    std::vector<std::complex<double>> weighted;   // per symbol: integral of y sin psi, turned by the body's phase
    std::vector<int> samples;                     // per channel bit: samples summed
    double offset_bits = 0.0;                     // the last read's refinement of the start
    double turn_per_bit = 0.0;                    // the last read's residual frequency, radians per channel bit
};

// max_bits: most channel bits of a frame, the known ones included.
void coherent_biphase_init(CoherentBiphase& c, const BiphaseConfig& cfg, int max_bits);

// hard: the caller's decisions (1: symbol 1), f.symbols of them; soft: the
// coherent statistic per symbol, positive for symbol 1, a clean symbol about
// +-1. False (soft untouched) when the frame's samples are not all held or
// the frame is larger than max_bits.
bool coherent_biphase_read(CoherentBiphase& c, const SampleRing& ring, const BiphaseFrame& f, const unsigned char* hard,
                           float* soft);

}  // namespace sonde::iq
