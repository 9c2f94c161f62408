// The text form: one line per frame in aligned columns, in colour on a
// terminal, and the header line that names the columns.
#pragma once

#include "io/line_out.h"
#include "sonderx/frame_report.h"

namespace sonde::sonderx {

// From I/Q samples the lines end with the carrier: its frequency in MHz
// (the centre given) or its offset in kHz, and its level in dB full scale.
enum class CarrierColumns { none, offset, frequency };

// The column names, aligned as the lines (with the line end).
void text_header(LineBuf& line, bool color, CarrierColumns carrier);
// The frame's line (with the line end). with_mark: a last column saying
// good, bad (and why) or no position; --all turns it on.
void text_line(LineBuf& line, const FrameReport& r, bool color, bool with_mark, CarrierColumns carrier);

}  // namespace sonde::sonderx
