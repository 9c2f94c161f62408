// The lines a frame's record can become, each with its line end: the GPS
// packet as text or comma-separated values (nothing for another packet),
// the frame's bytes in hexadecimal, or its first 40 groups of bits as read.
#pragma once

#include "format/output_form.h"
#include "ostrel/gps_packet.h"

namespace sonde::ostrel {

constexpr int kRawbitsShown = 400;  // 40 groups of a frame in the bit dump

void gps_text_line(LineBuf& line, const PacketRecord& r, const FormatFlags& f);
void gps_csv_line(LineBuf& line, const PacketRecord& r, const FormatFlags& f);
void hex_line(LineBuf& line, const PacketRecord& r, const FormatFlags& f);
void bit_line(LineBuf& line, const PacketRecord& r, const FormatFlags& f);

}  // namespace sonde::ostrel
