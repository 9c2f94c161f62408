// Tone balance: de-emphasis in the receiver (or its absence) leaves the two
// tones at different levels, and each correlator sees the other tone leak
// in. Each correlator's magnitude is tracked with its tone present ("on")
// and absent ("off"); a bit is decided on the normalised values
// u = (r - off) / (on - off), 1 for the tone present and 0 for it absent:
//   d = u1 - u0, about +1 for a 1 and -1 for a 0,
// and the spread of d around +-1 (its variance v) makes a log-likelihood
// ratio for Gaussian d: llr = 2 d / v. Positive means 1.
#pragma once

namespace sonde::ostrel {

struct ToneTrack {
    double on = 0.0;   // mean magnitude with the tone present
    double off = 0.0;  // mean magnitude with it absent (noise, the other tone's leakage)
};

struct ToneBalance {
    ToneTrack one;      // 1200 Hz
    ToneTrack zero;     // 2200 Hz
    double var = 0.25;  // variance of d around +-1
    bool started = false;
};

constexpr double kLlrLimit = 40.0;

// d = u1 - u0: about +1 for a 1, -1 for a 0, and proportional to each
// tone's share of a window that straddles two bits (for the timing detector).
double tone_difference(const ToneBalance& b, double r_one, double r_zero);

// Log-likelihood ratio of a 1 from the tone difference d, within +-kLlrLimit.
double tone_llr_of_difference(const ToneBalance& b, double d);

// Takes a magnitude pair whose bit is known (or decided) at the given
// averaging rate (0 < rate <= 1). The first call sets the levels outright.
void tone_balance_update(ToneBalance& b, double r_one, double r_zero, int bit, double rate);

}  // namespace sonde::ostrel
