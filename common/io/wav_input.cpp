#include "wav_input.h"

#include <cstring>

#include "line_out.h"

namespace sonde {

namespace {

// Reads bytes one at a time until the last four, kept in arrival order in
// last, spell tag. False at the end of the stream.
bool scan_for_tag(ByteSource& s, char* last, const char* tag) {
    do {
        const int c = source_getc(s);
        if (c < 0) return false;
        std::memmove(last, last + 1, 3);
        last[3] = static_cast<char>(c);
    } while (std::memcmp(last, tag, 4) != 0);
    return true;
}

bool read_exact(ByteSource& s, unsigned char* dst, std::size_t n) { return source_read(s, dst, n) == n; }

}  // namespace

int read_wav_header(WavInput& in, int err_fd) {
    ByteSource& s = in.src;
    char ring[4];
    unsigned char field[4];

    if (!read_exact(s, reinterpret_cast<unsigned char*>(ring), 4)) return -1;
    if (std::memcmp(ring, "RIFF", 4) != 0) return -1;
    if (!read_exact(s, field, 4)) return -1;  // RIFF size, not trusted
    if (!read_exact(s, reinterpret_cast<unsigned char*>(ring), 4)) return -1;
    if (std::memcmp(ring, "WAVE", 4) != 0) return -1;

    if (!scan_for_tag(s, ring, "fmt ")) return -1;
    // Chunk size, format code (any is accepted), channels, sample rate, byte
    // rate, block alignment, bits per sample.
    unsigned char fmt[20];
    if (!read_exact(s, fmt, sizeof fmt)) return -1;
    in.channels = fmt[6] + 256 * fmt[7];
    in.sample_rate = static_cast<int32_t>(static_cast<uint32_t>(fmt[8]) | static_cast<uint32_t>(fmt[9]) << 8 |
                                          static_cast<uint32_t>(fmt[10]) << 16 | static_cast<uint32_t>(fmt[11]) << 24);
    in.bits_sample = fmt[18] + 256 * fmt[19];

    // Whatever follows (the rest of a long fmt chunk, LIST and other chunks)
    // is passed over by a plain byte scan.
    if (!scan_for_tag(s, ring, "data")) return -1;
    if (!read_exact(s, field, 4)) return -1;  // data size, not trusted

    fd_printf(err_fd, "sample_rate: %d\n", in.sample_rate);
    fd_printf(err_fd, "bits       : %d\n", in.bits_sample);
    fd_printf(err_fd, "channels   : %d\n", in.channels);

    if (in.bits_sample != 8 && in.bits_sample != 16) return -1;
    // A sample frame of no channels never consumes a byte, and a rate of 0
    // or less gives no bit period to count against: refuse both.
    if (in.channels == 0) {
        fd_printf(err_fd, "error: the WAV header gives 0 channels\n");
        return -1;
    }
    if (in.sample_rate <= 0) {
        fd_printf(err_fd, "error: the WAV header gives an invalid sample rate of %d\n", in.sample_rate);
        return -1;
    }

    if (in.nominal_bit_rate > 0.0f) {
        in.samples_per_bit = static_cast<float>(in.sample_rate) / in.nominal_bit_rate;
        fd_printf(err_fd, "samples/bit: %.2f\n", static_cast<double>(in.samples_per_bit));
    }
    return 0;
}

int read_signed_sample_slow(WavInput& in) {
    ByteSource& s = in.src;
    int acc = 0;
    for (int i = 0; i < in.channels; i++) {
        int c = source_getc(s);
        if (c < 0) return kEndOfData;
        if (i == in.wav_channel) acc = c;
        if (in.bits_sample == 16) {
            c = source_getc(s);
            if (c < 0) return kEndOfData;
            if (i == in.wav_channel) acc += 256 * c;
        }
    }
    if (in.count_samples) in.sample_count++;
    return in.bits_sample == 16 ? static_cast<int16_t>(static_cast<uint16_t>(acc)) : acc - 128;
}

int read_signed_samples(WavInput& in, int* out, int max) {
    const int first = read_signed_sample(in);
    if (first == kEndOfData) return 0;
    out[0] = first;
    ByteSource& s = in.src;
    const FrameShape f = frame_shape(in);
    const std::size_t whole = (s.len - s.pos) / f.frame;
    const int n = whole < static_cast<std::size_t>(max - 1) ? static_cast<int>(whole) + 1 : max;
    const unsigned char* p = s.data + s.pos;
    for (int i = 1; i < n; i++, p += f.frame) out[i] = frame_sample(f, p);
    s.pos += static_cast<std::size_t>(n - 1) * f.frame;
    if (in.count_samples) in.sample_count += static_cast<uint64_t>(n - 1);
    return n;
}

}  // namespace sonde
