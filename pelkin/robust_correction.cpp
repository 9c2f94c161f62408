#include "pelkin/robust_correction.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "frame/crc16.h"
#include "pelkin/field_decoders.h"
#include "dsp/soft_correction.h"
#include "frame/syndrome_table.h"

namespace sonde::pelkin {

namespace {
constexpr auto modbus = [](const uint8_t* bytes, int n) { return sonde::crc16(sonde::kCrc16Modbus, bytes, n); };
// Computed CRC XOR stored CRC of the frame bytes.
int frame_syndrome(const uint8_t* bytes) { return static_cast<int>(sonde::check_syndrome(modbus, bytes, CRC_LEN)); }
}  // namespace

void crc_syndromes_init(CrcSyndromes& s) { sonde::syndrome_table(modbus, CRC_LEN, kCheckedFirst, false, &s.bit[0][0]); }

bool frame_bits_pass(const char* bits) {
    uint8_t bytes[kFrameBytesSize] = {};
    frame_bytes_init(bytes);
    const int written = bits2bytes(bits, bytes + kFrameBodyStart);
    return written >= kCheckedBytes && frame_syndrome(bytes) == 0;
}

namespace {
// Every pattern of the right parity among this many least reliable bits
// (up to four of them) is a candidate...
constexpr int kDeepUnits = 6;
constexpr int kDeepMaxCount = 4;
// ...and so is every single or pair among this many.
constexpr int kPoolUnits = 32;
struct Pattern {
    float cost;  // summed reliability, less the bonus per bit
    int count;
    int units[kDeepMaxCount];
};
constexpr int kMaxPatterns = (1 << kDeepUnits) + kPoolUnits * (kPoolUnits - 1) / 2;
}  // namespace

int correct_frame_bits(const CrcSyndromes& s, char* bits, const float* soft, float flip_bonus) {
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
    // The least reliable units, in order.
    int pool[kPoolUnits];
    const int np = sonde::least_reliable_units(reliability, kUnits, kPoolUnits, pool);
    // The polynomial has the factor x + 1: the syndrome's parity is that of
    // the number of bits in error, so only patterns of that parity can pass.
    const int parity = std::popcount(syndrome) & 1;
    Pattern pats[kMaxPatterns];
    int n = 0;
    auto cost_of = [&](int u) { return reliability[u] - flip_bonus; };
    const int deep = std::min(kDeepUnits, np);
    for (unsigned mask = 1; mask < (1u << deep); mask++) {
        const int count = std::popcount(mask);
        if ((count & 1) != parity || count > kDeepMaxCount) continue;
        Pattern p{0.0f, 0, {-1, -1, -1, -1}};
        for (int i = 0; i < deep; i++)
            if (mask >> i & 1) {
                p.units[p.count++] = pool[i];
                p.cost += cost_of(pool[i]);
            }
        pats[n++] = p;
    }
    // Singles or pairs that reach beyond the deepest units.
    for (int i = deep; i < np; i++) {
        if (parity == 1) {
            pats[n++] = Pattern{cost_of(pool[i]), 1, {pool[i], -1, -1, -1}};
            continue;
        }
        for (int j = 0; j < i; j++)
            pats[n++] = Pattern{cost_of(pool[j]) + cost_of(pool[i]), 2, {pool[j], pool[i], -1, -1}};
    }
    std::stable_sort(pats, pats + n, [](const Pattern& x, const Pattern& y) { return x.cost < y.cost; });

    auto flip = [&](const Pattern& p) {
        for (int i = 0; i < p.count; i++) {
            char& x = bits[bit_of[p.units[i]]];
            x = x == '1' ? '0' : '1';
        }
    };
    const int tries = std::min(n, kCorrectionChecks);
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
