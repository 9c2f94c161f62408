// The fields of a record's frame, read at the positions of the record's own
// layout: time, position, velocity, serial number, frame counter and the
// thermistor's temperature.
#pragma once

#include "vardo/frame_record.h"

namespace sonde::vardo {

// Into r.datum, every field of it (a frame of an unknown type is read as one
// of type 1); false for a type other than 1 and 2.
bool decode_frame_fields(FrameRecord& r);

}  // namespace sonde::vardo
