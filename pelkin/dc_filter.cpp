#include "pelkin/dc_filter.h"

#include <cstdlib>

int dc_window_length(float samples_per_bit) { return static_cast<int>(samples_per_bit * kDcWindowBits); }

bool dc_filter_open(DcFilter& f, WavInput& in, int wlen) {
    f.in = &in;
    f.wlen = wlen;
    f.min = f.max = 0;
    f.next_k = 0;
    f.next_slot = 0;
    f.whole_stream = true;
    f.sample_buff = wlen > 0 ? static_cast<int*>(std::calloc(static_cast<std::size_t>(wlen), sizeof(int))) : nullptr;
    return f.sample_buff != nullptr;
}

void dc_filter_close(DcFilter& f) {
    std::free(f.sample_buff);
    f.sample_buff = nullptr;
    f.wlen = 0;
}

int window_min(const int* buff, int wlen) {
    int m = buff[0];
    for (int i = 1; i < wlen; i++)
        if (buff[i] < m) m = buff[i];
    return m;
}

int window_max(const int* buff, int wlen) {
    int m = buff[0];
    for (int i = 1; i < wlen; i++)
        if (buff[i] > m) m = buff[i];
    return m;
}

int dc_slot_after_skip(DcFilter& f, uint64_t k) {
    f.whole_stream = false;
    return static_cast<int>(k % static_cast<uint64_t>(f.wlen)); }

namespace {

// Sample of the chosen channel in a whole frame at p.
inline int frame_sample(const WavInput& in, const unsigned char* p, int width) {
    if (in.wav_channel >= in.channels) return width == 2 ? 0 : -128;
    p += in.wav_channel * width;
    return width == 2 ? static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8)) : p[0] - 128;
}

// The window is full and steady: each sample replaces the oldest.
template <int kWidth>
int filter_steady(DcFilter& f, const unsigned char* p, std::size_t frame, int m, int* out) {
    WavInput& in = *f.in;
    int* buf = f.sample_buff;
    const int w = f.wlen;
    int slot = f.next_slot;
    int mn = f.min, mx = f.max;
    int prev = buf[slot > 0 ? slot - 1 : w - 1];
    for (int i = 0; i < m; i++, p += frame) {
        const int s = frame_sample(in, p, kWidth);
        const int old = buf[slot];
        buf[slot] = s;
        if (s < mn) mn = s;
        else if (old <= mn) mn = window_min(buf, w);
        if (s > mx) mx = s;
        else if (old >= mx) mx = window_max(buf, w);
        out[i] = prev - (mn + mx) / 2;
        prev = s;
        slot = slot + 1 < w ? slot + 1 : 0;
    }
    f.min = mn;
    f.max = mx;
    f.next_slot = slot;
    return m;
}

}  // namespace

int dc_filter_block(DcFilter& f, int* out, int max_out) {
    WavInput& in = *f.in;
    ByteSource& s = in.src;
    const int width = in.bits_sample == 16 ? 2 : 1;
    const std::size_t frame = static_cast<std::size_t>(in.channels) * static_cast<std::size_t>(width);
    const std::size_t whole = (s.len - s.pos) / frame;
    // Past the warm-up, with no sample read around the filter.
    if (f.sample_buff != nullptr && f.whole_stream && f.wlen >= 2 && in.count_samples && whole > 0 &&
        f.next_k == in.sample_count && f.next_k >= static_cast<uint64_t>(f.wlen)) {
        const int m = whole < static_cast<std::size_t>(max_out) ? static_cast<int>(whole) : max_out;
        const unsigned char* p = s.data + s.pos;
        const int done = width == 2 ? filter_steady<2>(f, p, frame, m, out) : filter_steady<1>(f, p, frame, m, out);
        s.pos += static_cast<std::size_t>(done) * frame;
        in.sample_count += static_cast<uint64_t>(done);
        f.next_k = in.sample_count;
        return done;
    }
    const int v = read_filter_sample(f);
    if (v == kEndOfData) return 0;
    out[0] = v;
    return 1;
}
