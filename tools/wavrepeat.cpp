// wavrepeat: turns a short recording into an arbitrarily long WAV stream on
// standard output, generated on the fly and never stored: the header (with
// the size fields of a streaming writer, 0xFFFFFFFF) followed by the
// recording's sample data repeated until at least the requested number of
// samples per channel has been written. Used to check that frames far past
// 2^31 samples decode exactly like the first ones.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "synth/wav_writer.h"

namespace {
uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

bool write_all(const char* p, std::size_t n) {
    while (n > 0) {
        ssize_t w = write(1, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || std::strcmp(argv[1], "--samples") != 0) {
        std::fprintf(stderr, "usage: %s --samples N input.wav > stream.wav\n", argv[0]);
        return 2;
    }
    const unsigned long long want = std::strtoull(argv[2], nullptr, 10);
    std::FILE* f = std::fopen(argv[3], "rb");
    if (!f) {
        std::fprintf(stderr, "cannot open %s\n", argv[3]);
        return 1;
    }
    std::string file;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) file.append(buf, n);
    std::fclose(f);

    // Walk the chunks of a well-formed file: this tool reads only what our
    // own synthesizer writes.
    const auto* b = reinterpret_cast<const unsigned char*>(file.data());
    if (file.size() < 12 || file.compare(0, 4, "RIFF") || file.compare(8, 4, "WAVE")) {
        std::fprintf(stderr, "%s is no WAV file\n", argv[3]);
        return 1;
    }
    WavSpec wav_spec;
    std::size_t at = 12, data_at = 0, data_len = 0;
    while (at + 8 <= file.size()) {
        uint32_t len = le32(b + at + 4);
        if (!file.compare(at, 4, "fmt ") && at + 24 <= file.size()) {
            wav_spec.channels = b[at + 10] | b[at + 11] << 8;
            wav_spec.sample_rate = static_cast<int>(le32(b + at + 12));
            wav_spec.bits = b[at + 22] | b[at + 23] << 8;
        } else if (!file.compare(at, 4, "data")) {
            data_at = at + 8;
            data_len = file.size() - data_at;
            break;
        }
        at += 8 + len + (len & 1);
    }
    const std::size_t frame = static_cast<std::size_t>(wav_spec.channels * wav_spec.bits / 8);
    if (!data_at || frame == 0 || data_len < frame) {
        std::fprintf(stderr, "%s has no sample data\n", argv[3]);
        return 1;
    }
    data_len -= data_len % frame;
    wav_spec.style = WavHeaderStyle::sizes_max;
    std::string header = wav_header(wav_spec, 0);
    if (!write_all(header.data(), header.size())) return 1;
    const unsigned long long per_copy = data_len / frame;
    for (unsigned long long done = 0; done < want; done += per_copy)
        if (!write_all(file.data() + data_at, data_len)) return 1;
    return 0;
}
