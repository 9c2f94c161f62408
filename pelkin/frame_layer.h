// The frame layer, called once per collected frame: bits to bytes, CRC
// check into the frame's record, fields, and at most one line out.
#pragma once

#include <cstdint>

#include "io/line_out.h"
#include "pelkin/frame_bytes.h"
#include "pelkin/frame_record.h"
#include "pelkin/options.h"
#include "frame/rx_quality.h"

namespace sonde::pelkin {

struct PelkinFrame {
    char frame_bits[kFrameBitsSize];
    int collected = kFrameBits;  // bits this capture read (fewer when the data ended in -b mode)
    uint8_t frame_bytes[kFrameBytesSize];
    Datum datum;
    sonde::RxQuality quality;  // of the frame being handled, when its receive path measures it
    LineBuf line;
};

void pelkin_frame_init(PelkinFrame& f);

// Takes the 500 characters of frame_bits; writes at most one line to out_fd.
void print_frame(PelkinFrame& f, const PelkinOptions& opt, int out_fd);

// Way in for other receive paths: the frame's bytes after the preamble (the
// frame proper is 47: bytes 3..49, the CRC included; up to 50 as a capture
// can deliver), handled as a capture that delivered them. The bit dump (-R) shows frame_bits as they stand.
void frame_bytes_in(PelkinFrame& f, const PelkinOptions& opt, const uint8_t* body, int n, int out_fd);

}  // namespace sonde::pelkin
