// The progress bar on standard error while a file is read: how much of the
// file, redrawn at most ten times a second, cleared before every frame's
// line and at the end.
#pragma once

#include <cstdint>

namespace sonde::sonderx {

struct Progress {
    bool on = false;
    int fd = 2;
    int64_t total_bytes = 0;
    double last_draw = -1.0;  // monotonic seconds of the last drawing
    bool drawn = false;       // the bar is on the line now
};

// On when fd is a terminal and the input a regular file of known size.
void progress_init(Progress& p, int fd, int64_t total_bytes, bool wanted);
void progress_update(Progress& p, int64_t bytes_read);
// Clears the bar's line (a frame's line or the summary follows).
void progress_clear(Progress& p);

}  // namespace sonde::sonderx
