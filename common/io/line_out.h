// Output lines are built in a fixed buffer and leave with a single write as
// soon as they are complete: standard output is never buffered behind them.
#pragma once

#include <cstddef>

namespace sonde {

// Longest line: a coloured hexadecimal frame of 276 bytes with up to five
// colour sequences per byte stays well below this.
constexpr std::size_t kLineCapacity = 1 << 15;

struct LineBuf {
    std::size_t len = 0;
    char text[kLineCapacity];
};

inline void line_clear(LineBuf& l) { l.len = 0; }
// Appends formatted text; output past the capacity is cut, never overrun.
void line_printf(LineBuf& l, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void line_append(LineBuf& l, const char* s, std::size_t n);
void line_puts(LineBuf& l, const char* s);
inline void line_putc(LineBuf& l, char c) {
    if (l.len < kLineCapacity) l.text[l.len++] = c;
}
// Writes the line with one write and empties the buffer.
void line_flush(LineBuf& l, int fd);

// Writes every byte, retrying short writes; false on an error.
bool write_all(int fd, const void* data, std::size_t n);
// A message on a diagnostic stream, formatted and written at once.
void fd_printf(int fd, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

// Where a program run reads and writes: the real descriptors in main, pipes
// or a memory image in tests and fuzz targets.
struct ProgramIo {
    int in_fd = 0;
    int out_fd = 1;
    int err_fd = 2;
    const unsigned char* in_mem = nullptr;  // replaces in_fd when set
    std::size_t in_len = 0;
};

// Exit status of a failed start-up: -1 as the shell sees it.
constexpr int kExitFailure = 255;

}  // namespace sonde
