// The lines a frame can become: position report as text (optionally with
// satellites and fix) or comma-separated values, the frame bytes in
// hexadecimal, or the bits as collected. Each function appends one whole
// line, newline included, to the buffer.
#pragma once

#include <cstdint>

#include "line_out.h"
#include "pelkin/field_decoders.h"

void format_text_line(LineBuf& line, const Datum& datum, bool verbose, bool good);
void format_csv_line(LineBuf& line, const Datum& datum, bool good);
// Bytes 3..47, then the stored and the computed CRC.
void format_hex_line(LineBuf& line, const uint8_t* frame_bytes, int crc_stored, int crc_computed);
// 500 bit characters, a space after each start bit and after the eighth data bit.
void format_bit_dump(LineBuf& line, const char* frame_bits);
