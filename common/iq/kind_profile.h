// The three kinds of sonde the I/Q front end serves and what each one's
// channel needs: how wide its FM spectrum is, the audio its receiver takes,
// and the scale of that audio.
//
// Signal model (per kind, all FM on one carrier):
//   vardo   biphase at 9600 channel bit/s, +-2400 Hz deviation: most of its
//           power within +-7.2 kHz (twice the deviation plus the channel bit rate)
//   pelkin  NRZ at 4800 bit/s, +-2400 Hz: within +-4.8 kHz
//   ostrel  AFSK tones 1200/2200 Hz at 1200 Bd, +-3500 Hz: within +-5.7 kHz
// The channel filter's -6 dB edge sits at those widths and its transition
// is 0.4 of the full width, as the receiver chain the audio receivers were
// measured on (rxchain); the post-detection low-pass likewise.
#pragma once

#include <cstdint>

namespace sonde::iq {

enum class Kind : uint8_t { vardo = 0, pelkin = 1, ostrel = 2 };
constexpr int kKinds = 3;
constexpr unsigned kAllKinds = 7u;  // bit k: Kind k

constexpr unsigned kind_bit(Kind k) { return 1u << static_cast<unsigned>(k); }

struct KindProfile {
    const char* name;
    double deviation_hz;   // audio full scale 1.0 means 2 * deviation_hz
    double bit_rate;       // Eb is counted per this (bench/sensitivity's definition)
    double channel_hz;     // -6 dB edge of the channel filter, each side of the carrier
    double transition_hz;  // width of its transition band
    double post_hz;        // post-detection low-pass cutoff (0: none)
    int audio_rate;        // discriminator audio, Hz
    bool audio = true;     // false: the kind is read from its baseband, no discriminator runs
};

constexpr KindProfile kKindProfiles[kKinds] = {
    {"vardo", 2400.0, 9600.0, 7200.0, 5760.0, 7200.0, 48000},
    {"pelkin", 2400.0, 4800.0, 4800.0, 3840.0, 4800.0, 48000},
    {"ostrel", 3500.0, 1200.0, 5700.0, 4560.0, 5700.0, 48000},
};

inline const KindProfile& kind_profile(Kind k) { return kKindProfiles[static_cast<int>(k)]; }

}  // namespace sonde::iq
