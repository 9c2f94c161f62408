// The frame layer, called once per collected frame: bits to bytes, CRC
// check into the frame's record, fields, and at most one line out, in the
// form the options choose.
#pragma once

#include <cstdint>

#include "io/line_out.h"
#include "pelkin/frame_bytes.h"
#include "pelkin/frame_record.h"
#include "pelkin/options.h"
#include "pelkin/robust_correction.h"
#include "receiver/soft_frame.h"

namespace sonde::pelkin {

struct PelkinFrame {
    char frame_bits[kFrameBitsSize] = {};
    int collected = kFrameBits;  // bits this capture read (fewer when the data ended in -b mode)
    uint8_t frame_bytes[kFrameBytesSize] = {kPreambleByte, kPreambleByte, kPreambleByte};  // bytes 0..2: preamble
    Datum datum;
    LineBuf line;
};

// Takes the 500 characters of frame_bits; writes at most one line to out_fd.
void print_frame(PelkinFrame& f, const PelkinOptions& opt, int out_fd);

// What the frame layer keeps between the soft frames of one stream: the
// CRC's syndromes, and the bits and bytes the record points to (bytes a
// short frame does not reach keep an earlier frame's).
struct SoftFrameState {
    CrcSyndromes syndromes;
    char bits[kFrameBitsSize];
    uint8_t bytes[kFrameBytesSize];
};
void soft_frame_state_init(SoftFrameState& s);

// A receiver's frame (kind pelkin) to its record: CRC-guided correction, the
// CRC check and the receive quality (bits corrected, SNR, DC). Prints
// nothing; the fields are the report's (print_record). The record points into s.
//   SoftFrameState st; soft_frame_state_init(st);
//   FrameRecord r = soft_frame_record(st, frame);  // r.good, r.quality
FrameRecord soft_frame_record(SoftFrameState& s, const sonde::SoftFrame& f);

// The record's line as the options ask, the fields decoded into f.datum.
void print_record(PelkinFrame& f, const PelkinOptions& opt, FrameRecord& r, int out_fd);

}  // namespace sonde::pelkin
