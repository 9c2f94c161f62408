#include "pelkin/dc_filter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "dsp/vector_clones.h"

namespace sonde::pelkin {

namespace {
// History plus block, four times: samples, two pairs of ping-pong extremes.
std::size_t stretch_len(int wlen) { return static_cast<std::size_t>(wlen - 1 + kDcBlock); }
std::size_t work_size(int wlen) { return 5 * stretch_len(wlen); }
}  // namespace

bool dc_filter_open(DcFilter& f, WavInput& in, int wlen) {
    f = DcFilter{};
    f.in = &in;
    f.wlen = wlen;
    f.sample_buff = wlen > 0 ? static_cast<int*>(std::calloc(static_cast<std::size_t>(wlen), sizeof(int))) : nullptr;
    if (f.sample_buff != nullptr && wlen >= 2) {
        f.work = static_cast<int16_t*>(std::calloc(work_size(wlen), sizeof(int16_t)));
        if (f.work == nullptr) dc_filter_close(f);
    }
    return f.sample_buff != nullptr;
}

void dc_filter_close(DcFilter& f) {
    std::free(f.sample_buff);
    f.sample_buff = nullptr;
    std::free(f.work);
    f.work = nullptr;
    f.wlen = 0;
}

namespace {

// Extremes of every stretch of 2s samples from those of s samples.
VECTOR_CLONES
void double_stretch(const int16_t* lo, const int16_t* hi, int16_t* lo2, int16_t* hi2, std::size_t n, std::size_t s) {
    for (std::size_t i = 0; i + s < n; i++) {
        lo2[i] = lo[i] < lo[i + s] ? lo[i] : lo[i + s];
        hi2[i] = hi[i] > hi[i + s] ? hi[i] : hi[i + s];
    }
}

// out[i] = prev[i] - (min + max) / 2 over the two stretches of window i.
VECTOR_CLONES
void window_outputs(const int16_t* lo_a, const int16_t* lo_b, const int16_t* hi_a, const int16_t* hi_b,
                    const int16_t* prev, int m, int* out) {
    for (int i = 0; i < m; i++) {
        const int mn = lo_a[i] < lo_b[i] ? lo_a[i] : lo_b[i];
        const int mx = hi_a[i] > hi_b[i] ? hi_a[i] : hi_b[i];
        out[i] = prev[i] - (mn + mx) / 2;
    }
}

// The window is full and holds the newest wlen samples: m new samples give
// m outputs. The extremes of each window come from those of its two
// overlapping power-of-two stretches, which are the true extremes of the
// window, as the sample-by-sample update keeps them.
int filter_steady(DcFilter& f, const unsigned char* p, const FrameShape& shape, int m, int* out) {
    const int w = f.wlen;
    const int* buf = f.sample_buff;
    const std::size_t len = static_cast<std::size_t>(w - 1 + m);
    int16_t* x = f.work;
    int16_t* lo = x + stretch_len(w);
    int16_t* hi = lo + stretch_len(w);
    int16_t* lo2 = hi + stretch_len(w);
    int16_t* hi2 = lo2 + stretch_len(w);
    // The w - 1 newest samples, oldest first, then the new ones.
    for (int i = 0, at = f.next_slot; i < w - 1; i++) {
        at = at + 1 < w ? at + 1 : 0;
        x[i] = static_cast<int16_t>(buf[at]);
    }
    int16_t* fresh = x + (w - 1);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (shape.present && shape.frame == 2 && shape.width == 2) {
        std::memcpy(fresh, p, 2 * static_cast<std::size_t>(m));  // 16-bit mono: the samples' own byte order
    } else
#endif
    {
        for (int i = 0; i < m; i++, p += shape.frame) fresh[i] = static_cast<int16_t>(frame_sample(shape, p));
    }
    std::size_t s = 1;
    const int16_t* cur_lo = x;
    const int16_t* cur_hi = x;
    // Stretches double per pass to the largest power of two within the window.
    while (2 * s <= static_cast<std::size_t>(w)) {
        double_stretch(cur_lo, cur_hi, lo, hi, len, s);
        s *= 2;
        cur_lo = lo;
        cur_hi = hi;
        std::swap(lo, lo2);
        std::swap(hi, hi2);
    }
    const std::size_t tail = static_cast<std::size_t>(w) - s;  // second stretch's start within the window
    window_outputs(cur_lo, cur_lo + tail, cur_hi, cur_hi + tail, x + (w - 2), m, out);
    const std::size_t last = static_cast<std::size_t>(m - 1);
    f.min = std::min(cur_lo[last], cur_lo[last + tail]);
    f.max = std::max(cur_hi[last], cur_hi[last + tail]);
    // The ring as sample-by-sample filtering leaves it.
    int* ring = f.sample_buff;
    const int first = m > w ? m - w : 0;
    int at = static_cast<int>((static_cast<int64_t>(f.next_slot) + first) % w);
    for (int i = first; i < m; i++) {
        ring[at] = x[w - 1 + i];
        at = at + 1 < w ? at + 1 : 0;
    }
    f.next_slot = static_cast<int>((static_cast<int64_t>(f.next_slot) + m) % w);
    return m;
}

}  // namespace

int dc_filter_block(DcFilter& f, int* out, int max_out) {
    WavInput& in = *f.in;
    const FrameShape shape = frame_shape(in);
    const RawFrames raw = raw_frames(in, shape);
    const std::size_t whole = raw.frames;
    // Past the warm-up, with no sample read around the filter.
    if (max_out > 0 && f.work != nullptr && f.whole_stream && in.count_samples && whole > 0 &&
        f.next_k == in.sample_count && f.next_k >= static_cast<uint64_t>(f.wlen)) {
        const int m = static_cast<int>(std::min({whole, static_cast<std::size_t>(max_out), std::size_t{kDcBlock}}));
        const int done = filter_steady(f, raw.data, shape, m, out);
        consume_frames(in, shape, static_cast<std::size_t>(done));
        f.next_k = in.sample_count;
        return done;
    }
    const int v = read_sample(f);
    if (v == kEndOfData) return 0;
    out[0] = v;
    return 1;
}

}  // namespace sonde::pelkin
