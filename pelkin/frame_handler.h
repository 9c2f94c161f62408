// Called once per collected frame: bits to bytes, CRC check, one line out.
#pragma once

#include <cstdint>

#include "line_out.h"
#include "pelkin/field_decoders.h"
#include "pelkin/frame_bytes.h"
#include "pelkin/pelkin_options.h"

struct PelkinFrame {
    char frame_bits[kFrameBitsSize];
    int collected = kFrameBits;  // bits this capture read (fewer when the data ended in -b mode)
    uint8_t frame_bytes[kFrameBytesSize];
    Datum datum;
    LineBuf line;
};

void pelkin_frame_init(PelkinFrame& f);

// Takes the 500 characters of frame_bits; writes at most one line to out_fd.
void print_frame(PelkinFrame& f, const PelkinOptions& opt, int out_fd);

// Position report as text or comma-separated line; a frame at latitude +
// longitude 0 writes nothing.
int print_pos(PelkinFrame& f, const PelkinOptions& opt, bool good, int out_fd);
