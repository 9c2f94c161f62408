// The frame handler: one call per capture. Decodes the capture into bytes,
// classifies and checks the frame, and writes the raw channel bits, the
// frame in hexadecimal, or the position report.
#pragma once

#include "vardo/vardo_decoder.h"

// Check of the current frame: the two stored bytes against the computed value.
struct FrameCheck {
    uint16_t computed = 0;
    bool good = false;
};

// Decodes the capture in v.buf (bits_count is taken as left by the capture
// loop in the symbol mode) and writes its line.
void print_frame(VardoDecoder& v);

// Bytes to bits to layout and check, without output.
FrameCheck decode_frame(VardoDecoder& v);
