// The lines of one frame's record, each with its line end: the decoded
// report as a plain, coloured or comma-separated line; the frame as it came,
// its FRAME_LEN + auxlen bytes in hexadecimal, plain or with its fields
// coloured, and, when verbose, the computed check and the check's verdict;
// or its channel bits.
#pragma once

#include "format/output_form.h"
#include "vardo/frame_record.h"

namespace sonde::vardo {

// f.verbose holds a Verbosity: the OK/NO mark, and the temperature too.
void report_plain(LineBuf& line, const FrameRecord& r, const FormatFlags& f);
void report_color(LineBuf& line, const FrameRecord& r, const FormatFlags& f);
void report_csv(LineBuf& line, const FrameRecord& r, const FormatFlags& f);
void hex_line_plain(LineBuf& line, const FrameRecord& r, const FormatFlags& f);
// Colours follow the field positions of the record's layout and type.
void hex_line_color(LineBuf& line, const FrameRecord& r, const FormatFlags& f);
void channel_bits_line(LineBuf& line, const FrameRecord& r, const FormatFlags& f);

}  // namespace sonde::vardo
