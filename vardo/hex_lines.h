// A frame in hexadecimal, plain or with its fields coloured.
#pragma once

#include <cstdint>

#include "line_out.h"
#include "vardo/frame_layout.h"

struct HexLine {
    const uint8_t* bytes = nullptr;
    int count = 0;  // bytes to write
    int verbose = 0;
    uint16_t check = 0;  // computed check
    int good = 0;
};

void hex_line_plain(LineBuf& line, const HexLine& h);
// Colours follow the field positions of the layout for frame type `type`.
void hex_line_color(LineBuf& line, const HexLine& h, const FrameLayout& l, int type);
