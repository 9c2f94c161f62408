// Frames of a known type damaged beyond what correction mends, pushed through
// the frame layers as sonderx runs them (its kinds' on_frame: soft frame,
// check-guided correction, check, record, report), counting the frames that
// come out good though their bytes are not those sent.
//
// Signal model: a receiver's soft values with the amplitude taken as 1, a
// right decision v = +-(1 + sigma n) with n Gaussian and sigma 0.45 (about
// 1.3 % of bits wrong, near each kind's threshold), the sign that of the
// bit sent. The frame's header (vardo's type bytes, pelkin's preamble
// groups, ostrel's start and type groups) stays right: the type is known.
// The damage falls on the body the correction works on:
//   errors N  N wrong decisions among its data bits, each as weak as the
//             noise makes a wrong one (|v| drawn from the tail beyond 0);
//   burst L   L bits in a row with the signal gone (v = sigma n);
//   awgn S    every body bit v = +-1 + S n;
//   noise     every body bit v = n (a body of noise only).
// Before each damaged frame the same sonde's frame of one second earlier
// goes through intact: it sets vardo's position filter, and its bytes stay
// where a frame layer keeps an earlier frame's (ostrel's bytes behind an
// all-ones group), so that a stale packet counts as the false frame it is.
#pragma once

#include <cstdint>
#include <memory>

namespace corrupt {

enum class Kind {
    vardo,
    pelkin,         // read as it came, or from I/Q by the coherent detector: flips get the bonus
    pelkin_deemph,  // read with de-emphasis undone: no bonus
    ostrel,
};
constexpr int kKinds = 4;

enum class Damage { errors, burst, awgn, noise };

struct Case {
    Kind kind = Kind::vardo;
    Damage damage = Damage::errors;
    double amount = 0.0;  // errors: count; burst: length in bits; awgn: sigma; noise: unused
};

struct Tally {
    long sent = 0;
    long restored = 0;        // good with the bytes sent
    long beyond = 0;          // all others: the damage was beyond correction
    long check_passed = 0;    // beyond, yet the frame layer's check passes
    long position_jump = 0;   // of those, vardo's position filter called a jump
    long impossible_fix = 0;  // of those, sonderx found the fix impossible
    long accepted = 0;        // beyond, and sonderx reports the frame good
    long clean_not_good = 0;  // intact frames not reported good (the bench's own fault)
};

// The kinds' frame layers and sonderx glue (large: on the heap).
struct Layers;
struct LayersDeleter {
    void operator()(Layers* p) const;
};
using LayersPtr = std::unique_ptr<Layers, LayersDeleter>;
LayersPtr layers_make();

// frames damaged frames of the case, from seed; adds to t.
void run_case(Layers& l, const Case& c, long frames, uint64_t seed, Tally& t);

const char* kind_name(Kind k);
const char* damage_name(Damage d);

// One-sided 95 % upper confidence bound of a rate seen k times in n
// (Clopper-Pearson): the p at which k or fewer come with probability 0.05.
double upper_bound_95(long k, long n);

}  // namespace corrupt
