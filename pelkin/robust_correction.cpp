#include "pelkin/robust_correction.h"

#include <algorithm>
#include <bit>
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

namespace {
// Least reliable bits that triples and quadruples are drawn from.
constexpr int kDeepUnits = 6;
struct Pattern {
    float cost;  // summed reliability
    int count;
    int units[4];
};
constexpr int kMaxPatterns = sonde::kMaxCorrectionCandidates + 20;
}  // namespace

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
    // The polynomial has the factor x + 1: the syndrome's parity is that of
    // the number of bits in error, so only patterns of that parity can pass.
    const int parity = std::popcount(syndrome) & 1;
    Pattern pats[kMaxPatterns];
    int np = 0;
    sonde::CorrectionCandidate cands[sonde::kMaxCorrectionCandidates];
    const int n = sonde::correction_candidates(reliability, kUnits, sonde::kMaxCorrectionCandidates, cands);
    for (int i = 0; i < n; i++)
        if ((cands[i].count & 1) == parity)
            pats[np++] = Pattern{cands[i].cost, cands[i].count, {cands[i].units[0], cands[i].units[1], -1, -1}};
    // Three (odd) or four (even) errors among the least reliable bits.
    int top[kDeepUnits];
    for (int i = 0; i < kDeepUnits; i++) top[i] = -1;
    for (int u = 0; u < kUnits; u++) {
        int i = kDeepUnits;
        while (i > 0 && (top[i - 1] < 0 || reliability[u] < reliability[top[i - 1]])) i--;
        if (i == kDeepUnits) continue;
        for (int j = kDeepUnits - 1; j > i; j--) top[j] = top[j - 1];
        top[i] = u;
    }
    for (int a = 0; a < kDeepUnits; a++)
        for (int b = a + 1; b < kDeepUnits; b++)
            for (int c = b + 1; c < kDeepUnits; c++) {
                const float cost = reliability[top[a]] + reliability[top[b]] + reliability[top[c]];
                if (parity == 1) {
                    pats[np++] = Pattern{cost, 3, {top[a], top[b], top[c], -1}};
                    continue;
                }
                for (int d = c + 1; d < kDeepUnits; d++)
                    pats[np++] = Pattern{cost + reliability[top[d]], 4, {top[a], top[b], top[c], top[d]}};
            }
    std::stable_sort(pats, pats + np, [](const Pattern& x, const Pattern& y) { return x.cost < y.cost; });

    auto flip = [&](const Pattern& p) {
        for (int i = 0; i < p.count; i++) {
            char& x = bits[bit_of[p.units[i]]];
            x = x == '1' ? '0' : '1';
        }
    };
    const int tries = np < kCorrectionChecks ? np : kCorrectionChecks;
    for (int k = 0; k < tries; k++) {
        const Pattern& p = pats[k];
        uint32_t syn = syndrome;
        for (int i = 0; i < p.count; i++) syn ^= unit_syndrome[p.units[i]];
        if (syn != 0) continue;
        // A flip that turns the first byte into preamble moves the frame:
        // only a frame that passes as the frame layer reads it counts.
        flip(p);
        if (frame_bits_pass(bits)) return p.count;
        flip(p);
    }
    return -1;
}

}  // namespace sonde::pelkin
