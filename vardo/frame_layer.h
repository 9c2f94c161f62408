// The frame layer: one call per capture. The capture's bits become bytes;
// length extension, type and check fill the frame's record; in the report
// forms the fields and the position filter too; then the record leaves as one
// line in the form the options choose, and a good frame is saved with -b.
#pragma once

#include "io/line_out.h"
#include "receiver/soft_frame.h"
#include "vardo/frame_record.h"
#include "vardo/options.h"
#include "vardo/position_filter.h"
#include "vardo/robust_frame.h"

namespace sonde::vardo {

// With -b good frames are appended to a file named after the sonde, in the
// current directory: at most ten per run, so a long flight does not fill
// the disk.
constexpr int kMaxSavedFrames = 10;

// What the frame layer keeps between the captures of one run: the three
// buffers a capture passes through (channel bits as captured, data bits
// after biphase decoding, bytes), the layout the frames before left, the
// position filter, the frames saved and the line being written.
struct VardoFrame {
    char frame_rawbits[kRawbitsCapacity] = {};  // '0'/'1', NUL-terminated
    char frame_bits[kBitsCapacity] = {};        // '0'/'1'/'x'
    uint8_t frame_bytes[kBytesCapacity] = {};
    // Data bits that this capture delivered; bytes past them hold whatever
    // earlier captures left and never count as part of the frame.
    int bits_count = 0;
    int decoded_bytes = 0;
    FrameLayout layout;
    PositionFilter filter;
    int saved_frames = 0;
    LineBuf line;
};

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

// The record's line as the options ask, to out_fd: channel bits,
// hexadecimal, or fields, position filter and report; the frame saved.
void print_record(VardoFrame& f, const VardoOptions& opt, FrameRecord& r, int out_fd);

// Decodes the capture in f (bits_count is taken as left by the capture
// loop in the symbol mode) and writes its line.
void print_frame(VardoFrame& f, const VardoOptions& opt, int out_fd);

// The capture's bits to bytes, layout and check, without output.
FrameRecord decode_frame(VardoFrame& f, FrameBitSource source);

}  // namespace sonde::vardo
