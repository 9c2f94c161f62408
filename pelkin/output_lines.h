// The lines a frame can become: position report as text (optionally with
// satellites and fix) or comma-separated values, or the frame bytes in
// hexadecimal (the bit dump is the shared one of the 10-bit groups). Each function appends one whole
// line, newline included, to the buffer.
#pragma once

#include <cstdint>

#include "line_out.h"
#include "pelkin/field_decoders.h"

void format_text_line(LineBuf& line, const Datum& datum, bool verbose, bool good);
void format_csv_line(LineBuf& line, const Datum& datum, bool good);
// Bytes 3..47, then the stored and the computed CRC.
void format_hex_line(LineBuf& line, const uint8_t* frame_bytes, int crc_stored, int crc_computed);
