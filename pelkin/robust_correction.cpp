#include "pelkin/robust_correction.h"

#include <cmath>
#include <cstring>

#include "crc16.h"
#include "pelkin/field_decoders.h"
#include "soft_correction.h"

namespace sonde::pelkin {

namespace {
// Computed CRC XOR stored CRC of the frame bytes.
int frame_syndrome(const uint8_t* bytes) {
    const int stored = bytes[pos_CRC] * 256 + bytes[pos_CRC + 1];
    return sonde::crc16(sonde::kCrc16Modbus, bytes, CRC_LEN) ^ stored;
}

}  // namespace

void crc_syndromes_init(CrcSyndromes& s) {
    uint8_t zero[kFrameBytesSize] = {};
    const int base = sonde::crc16(sonde::kCrc16Modbus, zero, CRC_LEN);
    for (int i = 0; i < kCheckedBytes; i++) {
        const int byte = kCheckedFirst + i;
        for (int b = 0; b < 8; b++) {
            if (byte < CRC_LEN) {
                uint8_t msg[kFrameBytesSize] = {};
                msg[byte] = static_cast<uint8_t>(1 << b);
                s.bit[i][b] = static_cast<uint16_t>(sonde::crc16(sonde::kCrc16Modbus, msg, CRC_LEN) ^ base);
            } else {
                // The stored CRC, high byte first.
                s.bit[i][b] = static_cast<uint16_t>(byte == pos_CRC ? 1 << (8 + b) : 1 << b);
            }
        }
    }
}

bool frame_bits_pass(const char* bits) {
    uint8_t bytes[kFrameBytesSize] = {};
    frame_bytes_init(bytes);
    const int written = bits2bytes(bits, bytes + kFrameBodyStart);
    return written >= kCheckedBytes && frame_syndrome(bytes) == 0;
}

int correct_frame_bits(const CrcSyndromes& s, char* bits, const float* soft) {
    uint8_t bytes[kFrameBytesSize] = {};
    frame_bytes_init(bytes);
    const int written = bits2bytes(bits, bytes + kFrameBodyStart);
    if (written < kCheckedBytes) return -1;
    const uint32_t syndrome = static_cast<uint32_t>(frame_syndrome(bytes));
    if (syndrome == 0) return 0;

    // One flip unit per data bit of bytes 3..49.
    const int skipped = kFrameGroups - written;
    constexpr int kUnits = kCheckedBytes * 8;
    float reliability[kUnits];
    uint32_t unit_syndrome[kUnits];
    int bit_of[kUnits];
    for (int i = 0; i < kCheckedBytes; i++)
        for (int b = 0; b < 8; b++) {
            const int u = i * 8 + b;
            bit_of[u] = (skipped + i) * kGroupBits + 1 + b;
            reliability[u] = std::fabs(soft[bit_of[u]]);
            unit_syndrome[u] = s.bit[i][b];
        }
    sonde::CorrectionCandidate cands[sonde::kMaxCorrectionCandidates];
    const int n = sonde::correction_candidates(reliability, kUnits, sonde::kMaxCorrectionCandidates - 1, cands);
    auto flip = [&](const sonde::CorrectionCandidate& c) {
        for (int i = 0; i < c.count; i++) {
            char& x = bits[bit_of[c.units[i]]];
            x = x == '1' ? '0' : '1';
        }
    };
    const int hit = sonde::correct_first(cands, n, [&](const sonde::CorrectionCandidate& c) {
        if (sonde::candidate_syndrome(syndrome, unit_syndrome, c) != 0) return false;
        // A flip that turns the first byte into preamble moves the frame:
        // only a frame that passes as the frame layer reads it counts.
        flip(c);
        if (frame_bits_pass(bits)) return true;
        flip(c);
        return false;
    });
    return hit < 0 ? -1 : cands[hit].count;
}

}  // namespace sonde::pelkin
