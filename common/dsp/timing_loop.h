// Symbol timing recovery: a second-order (proportional plus integral) loop
// keeping the fractional sample time of the next symbol boundary and the
// period; once per symbol the caller measures how late the boundary was and
// advances. The integral path learns the transmitter's rate, so a rate error
// leaves no standing timing error.
#pragma once

namespace sonde {

struct TimingLoop {
    double nominal = 10.0;         // samples per symbol as configured
    double period = 10.0;          // samples per symbol as learnt
    double next = 0.0;             // sample time of the next symbol boundary
    double kp = 0.0;               // proportional gain (per symbol)
    double ki = 0.0;               // integral gain (per symbol)
    double max_rate_error = 0.01;  // the learnt period stays within this fraction of nominal
};

// A loop for `samples_per_symbol`, with noise bandwidth `bn_t` (as a
// fraction of the symbol rate) and damping factor `damping`, for a detector
// whose output is already in samples (unit gain).
TimingLoop timing_loop_make(double samples_per_symbol, double bn_t, double damping);

// The boundary at l.next was `late` samples after the true one (negative:
// early): moves on to the next boundary.
void timing_loop_advance(TimingLoop& l, double late);

// Gardner-type detector on integrated values: `before` and `after` are the
// integrals over the symbols either side of a boundary, `mid` the integral
// over one symbol length centred on it, `energy` the mean of before^2 (the
// squared integral of a clean symbol), `samples_per_symbol` the symbol
// length. Returns the estimated lateness in samples: exact for a clean
// transition between opposite levels, 0 where the level does not change.
double gardner_late(double before, double mid, double after, double energy, double samples_per_symbol);

}  // namespace sonde
