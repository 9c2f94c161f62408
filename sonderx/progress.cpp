#include "sonderx/progress.h"

#include <time.h>

#include "io/line_out.h"

namespace sonde::sonderx {

namespace {

double now_s() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

constexpr int kBarWidth = 40;

}  // namespace

void progress_init(Progress& p, int fd, int64_t total_bytes, bool wanted) {
    p = Progress{};
    p.fd = fd;
    p.total_bytes = total_bytes;
    p.on = wanted && total_bytes > 0;
}

void progress_update(Progress& p, int64_t bytes_read) {
    if (!p.on) return;
    const double t = now_s();
    if (p.last_draw >= 0.0 && t - p.last_draw < 0.1) return;
    p.last_draw = t;
    const double f = bytes_read >= p.total_bytes ? 1.0 : static_cast<double>(bytes_read) / p.total_bytes;
    char bar[kBarWidth + 1];
    const int full = static_cast<int>(f * kBarWidth);
    for (int i = 0; i < kBarWidth; i++) bar[i] = i < full ? '#' : '.';
    bar[kBarWidth] = '\0';
    fd_printf(p.fd, "\r[%s] %3d %%", bar, static_cast<int>(f * 100.0));
    p.drawn = true;
}

void progress_clear(Progress& p) {
    if (!p.drawn) return;
    fd_printf(p.fd, "\r\033[K");
    p.drawn = false;
}

}  // namespace sonde::sonderx
