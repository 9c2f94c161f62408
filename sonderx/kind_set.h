// Which kinds run at a stream's rate, and at which rate each runs: every
// kind from its least rate up; above the rate a kind can use, the stream is
// decimated for it by a whole factor.
#pragma once

#include <cstdint>
#include <string>

#include "receiver/soft_frame.h"

namespace sonde::sonderx {

// Least rate per kind: vardo needs two samples per channel bit at least
// (9600 bit/s) and reads best from 16 kHz; pelkin (4800 bit/s) and ostrel
// (tones up to 2200 Hz) from 8 kHz.
constexpr int64_t kKindMinRate[kSondeKinds] = {16000, 8000, 8000};
// Above this a kind gains nothing from more samples: 48 kHz and 44.1 kHz
// run as they are, 96 kHz is halved, 250 kHz divided by 5.
constexpr int64_t kKindUsefulRate[kSondeKinds] = {50000, 50000, 50000};

struct KindPlan {
    bool selected = false;
    bool runs = false;    // selected and the rate suits it
    int decimation = 1;   // input samples per sample the kind's receiver takes
    int64_t rate_hz = 0;  // the kind's receiver's rate, in_rate / decimation
};

struct KindSet {
    KindPlan plan[kSondeKinds];
    int running = 0;
};

KindSet plan_kinds(const bool* selected, int64_t in_rate_hz);

// One line naming the selected kinds that cannot run at the rate and why,
// or "" when every selected kind runs.
std::string unusable_kinds_message(const KindSet& s, int64_t in_rate_hz);

}  // namespace sonde::sonderx
