// The receivers of every kind that runs, fed from the one stream: each
// block goes to each kind, through the kind's decimator where it has one.
// No threads: the kinds take their turn on every block.
#pragma once

#include <memory>

#include "sonderx/decimator.h"
#include "sonderx/frame_report.h"
#include "sonderx/kind_set.h"
#include "sonderx/ostrel_kind.h"
#include "sonderx/pelkin_kind.h"
#include "sonderx/vardo_kind.h"

namespace sonde::sonderx {

constexpr int kStreamBlock = 4096;  // samples per block read

struct Receivers {
    KindSet kinds;
    std::unique_ptr<VardoKind> vardo;
    std::unique_ptr<PelkinKind> pelkin;
    std::unique_ptr<OstrelKind> ostrel;
    // One decimator per kind that needs one (kinds of equal factor share
    // the first's output).
    Decimator decimator[kSondeKinds];
    int shares[kSondeKinds] = {-1, -1, -1};  // kind whose decimated block this kind takes, or -1
    std::unique_ptr<float[]> decimated[kSondeKinds];
    int decimated_n[kSondeKinds] = {};
};

// Builds the receivers of the kinds in s that run (the only allocations).
void receivers_init(Receivers& r, const KindSet& s, int64_t in_rate_hz);

// n <= kStreamBlock samples at the input's rate; frames go to sink.
void receivers_feed(Receivers& r, const float* x, int n, const ReportSink& sink);

// n samples for one kind only, at that kind's own rate (no decimation): the
// I/Q front end's audio comes per kind.
void receivers_feed_kind(Receivers& r, SondeKind kind, const float* x, int n, const ReportSink& sink);

}  // namespace sonde::sonderx
