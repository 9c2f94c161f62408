// A frame as it came, with its line end: the record's FRAME_LEN + auxlen
// bytes in hexadecimal, plain or with its fields coloured, and, when verbose,
// the computed check and the check's verdict; or its channel bits.
#pragma once

#include "format/output_form.h"
#include "vardo/frame_record.h"

namespace sonde::vardo {

void hex_line_plain(LineBuf& line, const FrameRecord& r, const FormatFlags& f);
// Colours follow the field positions of the record's layout and type.
void hex_line_color(LineBuf& line, const FrameRecord& r, const FormatFlags& f);
void channel_bits_line(LineBuf& line, const FrameRecord& r, const FormatFlags& f);

}  // namespace sonde::vardo
