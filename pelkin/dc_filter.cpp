#include "pelkin/dc_filter.h"

#include <cstdlib>

int dc_window_length(float samples_per_bit) { return static_cast<int>(samples_per_bit * kDcWindowBits); }

bool dc_filter_open(DcFilter& f, WavInput& in, int wlen) {
    f.in = &in;
    f.wlen = wlen;
    f.min = f.max = 0;
    f.sample_buff = wlen > 0 ? static_cast<int*>(std::calloc(static_cast<std::size_t>(wlen), sizeof(int))) : nullptr;
    return f.sample_buff != nullptr;
}

void dc_filter_close(DcFilter& f) {
    std::free(f.sample_buff);
    f.sample_buff = nullptr;
    f.wlen = 0;
}

namespace {
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
}  // namespace

int read_filter_sample(DcFilter& f) {
    int s = read_signed_sample(*f.in);
    if (s == kEndOfData || f.sample_buff == nullptr) return s;

    const uint64_t k = f.in->sample_count - 1;
    const uint64_t w = static_cast<uint64_t>(f.wlen);
    const uint64_t p = k % w;
    const int old = f.sample_buff[p];
    f.sample_buff[p] = s;
    if (k < w - 1) return 0;

    if (k == w - 1) {
        f.min = window_min(f.sample_buff, f.wlen);
        f.max = window_max(f.sample_buff, f.wlen);
    } else {
        // Only a departing extreme that no new sample replaces costs a scan.
        if (s < f.min) f.min = s;
        else if (old <= f.min) f.min = window_min(f.sample_buff, f.wlen);
        if (s > f.max) f.max = s;
        else if (old >= f.max) f.max = window_max(f.sample_buff, f.wlen);
    }
    return f.sample_buff[(k + w - 1) % w] - (f.min + f.max) / 2;
}
