// The run's summary on standard error: per kind the frames good (and how
// many of them the correction mended), bad and without position; the
// audio's duration and how fast it was read.
#pragma once

#include <cstdint>

#include "sonderx/frame_report.h"
#include "sonderx/kind_set.h"

namespace sonde::sonderx {

struct KindCounts {
    int64_t good = 0;
    int64_t corrected = 0;  // good frames the correction mended
    int64_t bad = 0;
    int64_t no_position = 0;
};

struct Summary {
    KindCounts kind[kSondeKinds];
    // From I/Q: the carriers given channels, and good frames not reported
    // as images or duplicates of another channel's.
    bool iq = false;
    int64_t carriers = 0;
    int64_t suppressed = 0;
};

void summary_count(Summary& s, const FrameReport& r);

// Writes the summary to fd: samples at rate_hz read in cpu_s seconds.
void summary_write(int fd, const Summary& s, const KindSet& kinds, int64_t samples, int64_t rate_hz, double cpu_s);

}  // namespace sonde::sonderx
