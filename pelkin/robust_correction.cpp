#include "pelkin/robust_correction.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "pelkin/crc16_modbus.h"
#include "pelkin/field_decoders.h"

namespace pelkin {

namespace {
// Computed CRC XOR stored CRC of the frame bytes.
int frame_syndrome(const uint8_t* bytes) {
    const int stored = bytes[pos_CRC] * 256 + bytes[pos_CRC + 1];
    return crc16rev(bytes, CRC_LEN) ^ stored;
}

struct Unit {
    float cost;
    int bit;       // index into the 500 frame bits
    uint16_t syn;  // its syndrome
};

struct Candidate {
    float cost;
    int a, b;  // units; b < 0 for a single
};
}  // namespace

void crc_syndromes_init(CrcSyndromes& s) {
    uint8_t zero[kFrameBytesSize] = {};
    const int base = crc16rev(zero, CRC_LEN);
    for (int i = 0; i < kCheckedBytes; i++) {
        const int byte = kCheckedFirst + i;
        for (int b = 0; b < 8; b++) {
            if (byte < CRC_LEN) {
                uint8_t msg[kFrameBytesSize] = {};
                msg[byte] = static_cast<uint8_t>(1 << b);
                s.bit[i][b] = static_cast<uint16_t>(crc16rev(msg, CRC_LEN) ^ base);
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
    const int syndrome = frame_syndrome(bytes);
    if (syndrome == 0) return 0;

    // The least reliable data bits of bytes 3..49.
    const int skipped = kFrameGroups - written;
    Unit units[kCheckedBytes * 8];
    int n = 0;
    for (int i = 0; i < kCheckedBytes; i++)
        for (int b = 0; b < 8; b++) {
            const int bit = (skipped + i) * kGroupBits + 1 + b;
            units[n++] = Unit{std::fabs(soft[bit]), bit, s.bit[i][b]};
        }
    const int k = std::min(n, kCorrectionUnits);
    std::partial_sort(units, units + k, units + n, [](const Unit& x, const Unit& y) { return x.cost < y.cost; });

    Candidate cand[kCorrectionUnits + kCorrectionUnits * (kCorrectionUnits - 1) / 2];
    int nc = 0;
    for (int a = 0; a < k; a++) {
        cand[nc++] = Candidate{units[a].cost, a, -1};
        for (int b = a + 1; b < k; b++) cand[nc++] = Candidate{units[a].cost + units[b].cost, a, b};
    }
    std::stable_sort(cand, cand + nc, [](const Candidate& x, const Candidate& y) { return x.cost < y.cost; });

    const int budget = std::min(nc, kMaxCorrectionCandidates - 1);
    for (int c = 0; c < budget; c++) {
        const Candidate& x = cand[c];
        int syn = syndrome ^ units[x.a].syn;
        if (x.b >= 0) syn ^= units[x.b].syn;
        if (syn != 0) continue;
        auto flip = [&](int u) { bits[units[u].bit] = bits[units[u].bit] == '1' ? '0' : '1'; };
        flip(x.a);
        if (x.b >= 0) flip(x.b);
        // A flip that turns the first byte into preamble moves the frame:
        // only a frame that passes as the frame layer reads it counts.
        if (frame_bits_pass(bits)) return x.b >= 0 ? 2 : 1;
        flip(x.a);
        if (x.b >= 0) flip(x.b);
    }
    return -1;
}

}  // namespace pelkin
