// Moving min/max DC filter: takes a slowly drifting offset out of the
// receiver audio by subtracting the midpoint between the smallest and the
// largest sample of the last 20 bit periods. The output lags the input by
// one sample; the first wlen - 1 samples give 0 while the window fills.
#pragma once

#include "wav_input.h"

constexpr float kDcWindowBits = 20.0f;
// Highest sample rate the filter accepts (a 3200-sample window).
constexpr int kMaxDcSampleRate = 768000;

struct DcFilter {
    int wlen = 0;                 // window length in samples
    int* sample_buff = nullptr;   // sample number k lives in slot k mod wlen
    int min = 0;                  // extremes of the window once it has filled
    int max = 0;
    WavInput* in = nullptr;
};

// Window length for a bit period: 20 bits, truncated to whole samples.
int dc_window_length(float samples_per_bit);

// Allocates the zero-filled window; false when that fails.
bool dc_filter_open(DcFilter& f, WavInput& in, int wlen);
void dc_filter_close(DcFilter& f);

// The next filtered sample, or kEndOfData unchanged.
int read_filter_sample(DcFilter& f);

// The slicer's sample-source hook.
inline int read_sample(DcFilter& f) { return read_filter_sample(f); }
