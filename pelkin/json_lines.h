// The record of one frame as a JSON object on one line (with its line end).
#pragma once

#include "format/output_form.h"
#include "pelkin/frame_record.h"

namespace sonde::pelkin {

// with_raw: frame bytes 0..49 as "raw".
void format_json_line(LineBuf& line, const FrameRecord& r, const FormatFlags& f);

}  // namespace sonde::pelkin
