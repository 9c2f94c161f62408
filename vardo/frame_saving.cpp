#include "vardo/frame_saving.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "io/line_out.h"

namespace sonde::vardo {

void save_frame(FrameSaving& s, Datum& d, const uint8_t* bytes, int len) {
    if (s.frames >= kMaxSavedFrames) return;
    // A 12-character ID loses its last character here.
    std::snprintf(d.frame_file, sizeof d.frame_file, "%.11s.bin", d.sonde_id);
    int fd = ::open(d.frame_file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    bool written = write_all(fd, bytes, static_cast<std::size_t>(len));
    ::close(fd);
    if (written) s.frames++;
}

}  // namespace sonde::vardo
