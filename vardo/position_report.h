// The decoded report of one frame: field decoders into the record, the jump
// filter, one line, and the frame appended to its file.
#pragma once

#include "vardo/frame_record.h"
#include "vardo/decoder.h"

namespace sonde::vardo {

// Fields, filter, line and saving for a frame whose check result the record
// holds. Writes nothing for a type other than 1 and 2.
void report_frame(VardoDecoder& v, FrameRecord& r);

}  // namespace sonde::vardo
