// A frame in hexadecimal, plain or with its fields coloured: the record's
// FRAME_LEN + auxlen bytes and, when verbose, the computed check and the
// check's verdict.
#pragma once

#include "io/line_out.h"
#include "vardo/frame_record.h"

namespace sonde::vardo {

void hex_line_plain(LineBuf& line, const FrameRecord& r, int verbose);
// Colours follow the field positions of the record's layout and type.
void hex_line_color(LineBuf& line, const FrameRecord& r, int verbose);

}  // namespace sonde::vardo
