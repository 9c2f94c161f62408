// The receiver chain's own calibration: an ideal detector on its output must
// meet the textbook error rate of non-coherent FSK, and a chain whose noise
// level is 3 dB wrong must not.
#include <gtest/gtest.h>

#include <cmath>

#include "ber_measure.h"

using namespace rxchain;

namespace {

// Eb/N0 (dB) at which non-coherent FSK, p = 0.5 exp(-Eb / 2N0), has the
// error rate p.
double ncfsk_ebn0_db(double p) { return 10.0 * std::log10(-2.0 * std::log(2.0 * p)); }

// Random NRZ at 4800 bit/s, 2400 Hz deviation, 9600 Hz channel, 48 kHz.
ChainConfig nrz_chain(double ebn0_db) {
    ChainConfig c;
    c.deviation_hz = 2400;
    c.bit_rate = 4800;
    c.ebn0_db = ebn0_db;
    c.seed = 11;
    return c;
}

// Largest distance (dB) between the Eb/N0 that the measured error rates imply
// and the Eb/N0 the chain was told, over 6..12 dB. noise_error_db makes the
// chain's noise that much stronger than stated; a fraction of the bits
// shows an error that large.
double worst_gap_db(double noise_error_db, long bits_divisor = 1) {
    double worst = 0.0;
    for (double ebn0 : {6.0, 8.0, 10.0, 12.0}) {
        // About 50 errors or more at every level when the chain is right.
        const long bits = (ebn0 < 9 ? 40000 : 250000) / bits_divisor;
        const BerCount n = measure_ber(nrz_chain(ebn0 - noise_error_db), BerSignal::nrz, 4800, bits, 5);
        const double gap = n.errors > 0 ? std::fabs(ncfsk_ebn0_db(n.rate()) - ebn0) : 99.0;
        if (noise_error_db == 0.0) {
            EXPECT_GT(n.errors, 30) << ebn0 << " dB";
        }
        worst = std::max(worst, gap);
    }
    return worst;
}

}  // namespace

TEST(RxChainBer, IntegrateAndDumpFollowsNonCoherentFskWithinHalfADecibel) { EXPECT_LT(worst_gap_db(0.0), 0.5); }

TEST(RxChainBer, ANoiseLevelThreeDecibelsOffFailsTheSameCheck) {
    EXPECT_GE(worst_gap_db(3.0, 8), 0.5);
    EXPECT_GE(worst_gap_db(-3.0, 8), 0.5);
}
