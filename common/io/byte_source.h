// Forward-only block reader for the audio stream: a named file, standard
// input or a memory image. One read(2) fills a whole block; on a pipe it
// returns as soon as the writer has put anything there, so a live stream is
// decoded as it arrives and never waits for a full block.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sonde {

constexpr std::size_t kInputBlockSize = 1 << 16;

struct ByteSource {
    int fd = -1;
    bool close_fd = false;
    bool ended = false;
    const unsigned char* data = nullptr;  // current block (own or memory image)
    std::size_t pos = 0;
    std::size_t len = 0;
    unsigned char block[kInputBlockSize];
};

// Opens a named file; false when it cannot be opened.
bool source_open_file(ByteSource& s, const char* path);
// Reads an already open descriptor (standard input); it is not closed.
void source_open_fd(ByteSource& s, int fd);
// Reads a memory image, which must outlive the source.
void source_open_memory(ByteSource& s, const void* data, std::size_t n);
void source_close(ByteSource& s);

// Fetches the next block; false (and sticky) at the end of the stream.
bool source_refill(ByteSource& s);

// Copies up to n bytes; returns how many arrived before the end.
std::size_t source_read(ByteSource& s, void* dst, std::size_t n);

inline int source_getc(ByteSource& s) {
    if (s.pos == s.len && !source_refill(s)) return -1;
    return s.data[s.pos++];
}

}  // namespace sonde
