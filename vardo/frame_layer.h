// The frame layer: one call per capture. The capture's bits become bytes;
// length extension, type and check fill the frame's record; in the report
// forms the fields and the position filter too; then the record leaves as one
// line in the form the options choose, and a good frame is saved with -b.
#pragma once

#include "frame/rx_quality.h"
#include "receiver/soft_frame.h"
#include "vardo/decoder.h"
#include "vardo/frame_record.h"
#include "vardo/robust_frame.h"

namespace sonde::vardo {

// What the frame layer keeps between the soft frames of one stream: the
// check's syndromes, the layout the frames before left, and the bytes the
// record points to (bytes past a short frame keep an earlier frame's).
struct SoftFrameState {
    RobustSyndromes syndromes;
    FrameLayout layout;
    uint8_t bytes[kBytesCapacity] = {};
};
void soft_frame_state_init(SoftFrameState& s);

// A receiver's frame (kind vardo) to its record: check-guided correction,
// the frame's own type bytes setting the layout, the check, and the receive
// quality (bits corrected, SNR, DC). Prints nothing; the position filter and
// the fields are the report forms' (print_record). The record points into s.
//   SoftFrameState st; soft_frame_state_init(st);
//   FrameRecord r = soft_frame_record(st, frame);  // r.check_ok, r.quality
FrameRecord soft_frame_record(SoftFrameState& s, const sonde::SoftFrame& f);

// The record's line as the options ask: channel bits, hexadecimal, or
// fields, position filter and report; the frame saved.
void print_record(VardoDecoder& v, FrameRecord& r);

// Decodes the capture in v.buf (bits_count is taken as left by the capture
// loop in the symbol mode) and writes its line.
void print_frame(VardoDecoder& v);

// Bits to bytes to layout and check, without output.
FrameRecord decode_frame(VardoDecoder& v);

}  // namespace sonde::vardo
