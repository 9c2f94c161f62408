#include "line_out.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace sonde {

void line_printf(LineBuf& l, const char* fmt, ...) {
    if (l.len >= kLineCapacity) return;
    std::size_t room = kLineCapacity - l.len;
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(l.text + l.len, room, fmt, ap);
    va_end(ap);
    if (n < 0) return;
    // vsnprintf keeps one byte for its terminator, which is not part of the line.
    std::size_t added = static_cast<std::size_t>(n);
    l.len += added < room ? added : room - 1;
}

void line_append(LineBuf& l, const char* s, std::size_t n) {
    std::size_t room = kLineCapacity - l.len;
    if (n > room) n = room;
    std::memcpy(l.text + l.len, s, n);
    l.len += n;
}

void line_puts(LineBuf& l, const char* s) { line_append(l, s, std::strlen(s)); }

bool write_all(int fd, const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

void line_flush(LineBuf& l, int fd) {
    if (l.len > 0) write_all(fd, l.text, l.len);
    l.len = 0;
}

void fd_printf(int fd, const char* fmt, ...) {
    char text[1024];
    va_list ap;
    va_start(ap, fmt);
    va_list again;
    va_copy(again, ap);
    int n = std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof text) {
        write_all(fd, text, static_cast<std::size_t>(n));
    } else if (n > 0) {
        // Rare (a very long file name in a message): format once more in full.
        std::string long_text(static_cast<std::size_t>(n) + 1, '\0');
        std::vsnprintf(long_text.data(), long_text.size(), fmt, again);
        write_all(fd, long_text.data(), static_cast<std::size_t>(n));
    }
    va_end(again);
}

}  // namespace sonde
