#include "pelkin/robust_correction.h"

#include <bit>
#include <cmath>

#include "frame/crc16.h"
#include "pelkin/field_decoders.h"
#include "dsp/soft_correction.h"
#include "frame/syndrome_table.h"

namespace sonde::pelkin {

namespace {
constexpr auto modbus = [](const uint8_t* bytes, int n) { return sonde::crc16(sonde::kCrc16Modbus, bytes, n); };
// Computed CRC XOR stored CRC of the bits as the frame layer reads them,
// -1 when they do not reach the stored CRC; *written the bytes they gave.
int bits_syndrome(const char* bits, int* written) {
    uint8_t bytes[kFrameBytesSize] = {};
    frame_bytes_init(bytes);
    *written = bits2bytes(bits, bytes + kFrameBodyStart);
    return *written < kCheckedBytes ? -1 : static_cast<int>(sonde::check_syndrome(modbus, bytes, CRC_LEN));
}
}  // namespace

void crc_syndromes_init(CrcSyndromes& s) { sonde::syndrome_table(modbus, CRC_LEN, kCheckedFirst, false, s.bit); }

int correct_frame_bits(const CrcSyndromes& s, char* bits, const float* soft, float flip_bonus) {
    int written = 0;
    const int found = bits_syndrome(bits, &written);
    if (found <= 0) return found;
    const uint32_t syndrome = static_cast<uint32_t>(found);

    // One flip unit per data bit of bytes 3..49.
    const int skipped = kFrameGroups - written;
    constexpr int kUnits = kCheckedBytes * 8;
    auto bit_of = [&](int u) { return (skipped + u / 8) * kGroupBits + 1 + u % 8; };
    float reliability[kUnits];
    for (int u = 0; u < kUnits; u++) reliability[u] = std::fabs(soft[bit_of(u)]);
    // The factor x + 1 makes the syndrome's parity that of the bits in error.
    const sonde::CorrectionSearch how{.deep_units = 6,
                                      .deep_max = 4,
                                      .parity = std::popcount(syndrome) & 1,
                                      .flip_bonus = flip_bonus,
                                      .ties_by_units = false};
    sonde::CorrectionCandidate cand[sonde::kMaxCorrectionCandidates];
    const int n = sonde::correction_candidates(reliability, kUnits, kCorrectionChecks, cand, how);
    auto flip = [&](const sonde::CorrectionCandidate& c) {
        for (int i = 0; i < c.count; i++) {
            char& x = bits[bit_of(c.units[i])];
            x = x == '1' ? '0' : '1';
        }
    };
    for (int k = 0; k < n; k++) {
        if (sonde::candidate_syndrome(syndrome, s.bit, cand[k]) != 0) continue;
        // A flip that turns the first byte into preamble moves the frame:
        // only a frame that passes as the frame layer reads it counts.
        flip(cand[k]);
        if (bits_syndrome(bits, &written) == 0) return cand[k].count;
        flip(cand[k]);
    }
    return -1;
}

}  // namespace sonde::pelkin
