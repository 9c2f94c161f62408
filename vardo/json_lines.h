// The record of one frame as a JSON object on one line (with its line end).
#pragma once

#include "format/output_form.h"
#include "vardo/frame_record.h"

namespace sonde::vardo {

// with_raw: the frame's FRAME_LEN + auxlen bytes as "raw".
void report_json(LineBuf& line, const FrameRecord& r, const FormatFlags& f);

}  // namespace sonde::vardo
