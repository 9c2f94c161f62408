// Good frames appended to a file named after the sonde, in the current
// directory: at most ten per run, so a long flight does not fill the disk.
#pragma once

#include <cstdint>

#include "vardo/field_decoders.h"

namespace sonde::vardo {

constexpr int kMaxSavedFrames = 10;

struct FrameSaving {
    int frames = 0;  // saved in this run
};

// Sets d.frame_file (first 11 characters of the ID, then ".bin") and appends
// len bytes; counts the frame only when it was written.
void save_frame(FrameSaving& s, Datum& d, const uint8_t* bytes, int len);

}  // namespace sonde::vardo
