#pragma once

#include "tone_detector.h"

struct SlidingSpectrum {
    int unused = 0;
};

void spectrum_init(SlidingSpectrum& s, const ToneDetector& d);
void spectrum_step(SlidingSpectrum& s, double x_old, double x_new, const double* span);
int spectrum_decision(const SlidingSpectrum& s, int tone_bit);
