#include "pelkin/dc_filter.h"

#include <cstdlib>

int dc_window_length(float samples_per_bit) { return static_cast<int>(samples_per_bit * kDcWindowBits); }

bool dc_filter_open(DcFilter& f, WavInput& in, int wlen) {
    f.in = &in;
    f.wlen = wlen;
    f.min = f.max = 0;
    f.next_k = 0;
    f.next_slot = 0;
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

int dc_slot_after_skip(DcFilter& f, uint64_t k) { return static_cast<int>(k % static_cast<uint64_t>(f.wlen)); }
