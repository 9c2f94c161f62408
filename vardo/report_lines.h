// The decoded report of one frame as a plain, coloured or comma-separated
// line (without the final newline).
#pragma once

#include "io/line_out.h"
#include "vardo/frame_record.h"

namespace sonde::vardo {

// verbose 1: OK/NO mark, 2: also the temperature.
void report_plain(LineBuf& line, const FrameRecord& r, int verbose);
void report_color(LineBuf& line, const FrameRecord& r, int verbose);
void report_csv(LineBuf& line, const FrameRecord& r);

}  // namespace sonde::vardo
