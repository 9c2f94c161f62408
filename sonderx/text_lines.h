// The text form: one line per frame in aligned columns, in colour on a
// terminal, and the header line that names the columns.
#pragma once

#include "io/line_out.h"
#include "sonderx/frame_report.h"

namespace sonde::sonderx {

// The column names, aligned as the lines (with the line end).
void text_header(LineBuf& line, bool color);
// The frame's line (with the line end). with_mark: a last column saying
// good, bad (and why) or no position; --all turns it on.
void text_line(LineBuf& line, const FrameReport& r, bool color, bool with_mark);

}  // namespace sonde::sonderx
