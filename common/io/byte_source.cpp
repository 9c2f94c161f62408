#include "byte_source.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace sonde {

namespace {
void reset(ByteSource& s) {
    s.fd = -1;
    s.close_fd = false;
    s.ended = false;
    s.data = s.block;
    s.pos = 0;
    s.len = 0;
}
}  // namespace

bool source_open_file(ByteSource& s, const char* path) {
    reset(s);
    int fd;
    do {
        fd = ::open(path, O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    s.fd = fd;
    s.close_fd = true;
    return true;
}

void source_open_fd(ByteSource& s, int fd) {
    reset(s);
    s.fd = fd;
}

void source_open_memory(ByteSource& s, const void* data, std::size_t n) {
    reset(s);
    s.data = static_cast<const unsigned char*>(data);
    s.len = n;
}

void source_close(ByteSource& s) {
    if (s.close_fd && s.fd >= 0) ::close(s.fd);
    s.fd = -1;
    s.close_fd = false;
    s.ended = true;
    s.pos = s.len = 0;
}

bool source_refill(ByteSource& s) {
    while (!s.ended && s.fd >= 0) {
        const ssize_t n = ::read(s.fd, s.block, sizeof s.block);
        if (n > 0) {
            s.data = s.block;
            s.pos = 0;
            s.len = static_cast<std::size_t>(n);
            return true;
        }
        // End of file, or a read error: either way no more audio.
        if (n == 0 || errno != EINTR) break;
    }
    s.ended = true;
    s.pos = s.len = 0;
    return false;
}

std::size_t source_read(ByteSource& s, void* dst, std::size_t n) {
    auto* out = static_cast<unsigned char*>(dst);
    std::size_t done = 0;
    while (done < n) {
        if (s.pos == s.len && !source_refill(s)) break;
        std::size_t take = s.len - s.pos;
        if (take > n - done) take = n - done;
        std::memcpy(out + done, s.data + s.pos, take);
        s.pos += take;
        done += take;
    }
    return done;
}

}  // namespace sonde
