// The decoded report of one frame as a plain, coloured or comma-separated
// line, with its line end.
#pragma once

#include "format/output_form.h"
#include "vardo/frame_record.h"

namespace sonde::vardo {

// verbose 1: OK/NO mark, 2: also the temperature.
void report_plain(LineBuf& line, const FrameRecord& r, const FormatFlags& f);
void report_color(LineBuf& line, const FrameRecord& r, const FormatFlags& f);
void report_csv(LineBuf& line, const FrameRecord& r, const FormatFlags& f);

}  // namespace sonde::vardo
