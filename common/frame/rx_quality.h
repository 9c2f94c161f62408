// How well a frame was received, where the receive path measures it: bits
// the frame layer corrected, signal-to-noise ratio and the DC offset of the
// signal. The default receive path measures none of it (present false), and
// only a present block reaches the output.
#pragma once

namespace sonde {

struct RxQuality {
    bool present = false;
    int corrected = 0;    // bits flipped to make the check match
    double snr_db = 0.0;  // signal-to-noise ratio, dB
    double dc = 0.0;      // offset in full-scale units
};

}  // namespace sonde
