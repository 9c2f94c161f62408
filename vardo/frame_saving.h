// Good frames appended to a file named after the sonde, in the current
// directory: at most ten per run, so a long flight does not fill the disk.
#pragma once

#include "vardo/frame_record.h"

namespace sonde::vardo {

constexpr int kMaxSavedFrames = 10;

struct FrameSaving {
    int frames = 0;  // saved in this run
};

// Appends the record's FRAME_LEN bytes to the file of the first 11
// characters of its ID and ".bin"; counts the frame only when it was written.
void save_frame(FrameSaving& s, const FrameRecord& r);

}  // namespace sonde::vardo
