// The lines a frame can become: position report as text (verbose: with
// satellites and fix) or comma-separated values, the frame bytes in
// hexadecimal, or its bits as collected. Each function appends one whole
// line, newline included, to the buffer.
#pragma once

#include "format/output_form.h"
#include "pelkin/frame_record.h"

namespace sonde::pelkin {

void format_text_line(LineBuf& line, const FrameRecord& r, const FormatFlags& f);
void format_csv_line(LineBuf& line, const FrameRecord& r, const FormatFlags& f = {});
// Bytes 3..47, then the stored and the computed CRC.
void format_hex_line(LineBuf& line, const FrameRecord& r, const FormatFlags& f = {});
// The 500 bits in their 10-bit groups.
void format_bit_line(LineBuf& line, const FrameRecord& r, const FormatFlags& f);

}  // namespace sonde::pelkin
