// A frame's record as a JSON object on one line (with its line end): a GPS
// packet with its fields, or, with_raw, any other packet by its type byte.
#pragma once

#include "ostrel/gps_packet.h"
#include "format/output_form.h"

namespace sonde::ostrel {

// with_raw: the frame's bytes, as the hexadecimal line shows them, as "raw".
void format_json_line(LineBuf& line, const PacketRecord& r, const FormatFlags& f);

}  // namespace sonde::ostrel
