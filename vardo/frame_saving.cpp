#include "vardo/frame_saving.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "io/line_out.h"

namespace sonde::vardo {

void save_frame(FrameSaving& s, const FrameRecord& r) {
    if (s.frames >= kMaxSavedFrames) return;
    // A 12-character ID loses its last character here.
    char name[21];
    std::snprintf(name, sizeof name, "%.11s.bin", r.datum.sonde_id);
    int fd = ::open(name, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    bool written = write_all(fd, r.bytes, static_cast<std::size_t>(r.layout.FRAME_LEN));
    ::close(fd);
    if (written) s.frames++;
}

}  // namespace sonde::vardo
