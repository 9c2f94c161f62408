// The comma-separated form: a header row, then one row per frame, the
// same columns as the text lines plus whether the frame is good; from I/Q
// samples (carrier) also the carrier's offset_hz, freq_hz (empty without the
// centre) and level_dbfs.
#pragma once

#include "io/line_out.h"
#include "sonderx/frame_report.h"

namespace sonde::sonderx {

void csv_header(LineBuf& line, bool carrier);
void csv_row(LineBuf& line, const FrameReport& r, bool carrier);

}  // namespace sonde::sonderx
