// The lines a frame can become: position report as text (optionally with
// satellites and fix) or comma-separated values, or the frame bytes in
// hexadecimal (the bit dump is the shared one of the 10-bit groups). Each function appends one whole
// line, newline included, to the buffer.
#pragma once

#include <cstdint>

#include "io/line_out.h"
#include "pelkin/frame_record.h"

namespace sonde::pelkin {

void format_text_line(LineBuf& line, const FrameRecord& r, bool verbose);
void format_csv_line(LineBuf& line, const FrameRecord& r);
// Bytes 3..47, then the stored and the computed CRC.
void format_hex_line(LineBuf& line, const FrameRecord& r);

}  // namespace sonde::pelkin
