// The comma-separated form: a header row, then one row per frame, the
// same columns as the text lines plus whether the frame is good.
#pragma once

#include "io/line_out.h"
#include "sonderx/frame_report.h"

namespace sonde::sonderx {

void csv_header(LineBuf& line);
void csv_row(LineBuf& line, const FrameReport& r);

}  // namespace sonde::sonderx
