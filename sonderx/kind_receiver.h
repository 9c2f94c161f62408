// What the three kinds' glue has in common: the kind's weak-signal receiver
// and its frame state, started the same way and fed the same way; each
// frame goes to the kind's own on_frame (found by the kind's type), which
// makes the FrameReport and hands it to the sink.
//
//   struct PelkinKind : KindParts<pelkin::RobustReceiver, pelkin::SoftFrameState, pelkin::FrameRecord> {};
//   void on_frame(PelkinKind& k, const SoftFrame& f);
//   kind_init(k, rate_hz); kind_feed(k, x, n, sink);
//
// A kind read from the complex samples of an I/Q channel has a receiver
// taking std::complex<float> (receiver/soft_frame.h) and the same frame
// state, record and on_frame.
#pragma once

#include <cstddef>
#include <cstdint>

#include "receiver/soft_frame.h"
#include "sonderx/frame_report.h"

namespace sonde::sonderx {

// The parts every kind has: receiver, frame state, the record of the frame
// being reported (the report points into it) and where reports go.
template <class Rx, class Frames, class Record>
struct KindParts {
    Rx rx;
    Frames frames;
    Record record;
    ReportSink sink;
};

// Per-stream state beyond the parts: none unless a kind says otherwise.
template <class Rx, class Frames, class Record>
void kind_reset(KindParts<Rx, Frames, Record>&) {}

// rate_hz: the rate of the samples fed. Kinds with more state per stream
// (vardo's position filter) reset it in kind_reset.
template <class K>
void kind_init(K& k, double rate_hz) {
    receiver_init(k.rx, rate_hz);
    soft_frame_state_init(k.frames);
    kind_reset(k);
}

// Sample: float (audio) or std::complex<float> (a channel's baseband),
// whichever the kind's receiver takes.
template <class K, class Sample>
void kind_feed(K& k, const Sample* x, int n, const ReportSink& sink) {
    k.sink = sink;
    auto take = [&k](const SoftFrame& f) { on_frame(k, f); };
    receiver_feed(k.rx, x, static_cast<std::size_t>(n), frame_sink(take));
}

}  // namespace sonde::sonderx
