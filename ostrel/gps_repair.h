// CRC-guided repair of a GPS packet read by the weak-signal path: where the
// CRC of a packet typed 0x01 0x02 fails, one or two data bits of its groups
// 1..17 are flipped, least reliable first (by the sum of their |llr|), and
// the first candidate whose CRC passes is taken. A wrong start or stop bit
// takes one of the two flips. At most kRepairTests candidates are tested, so
// a packet beyond repair passes by chance about kRepairTests / 65536 of the
// time; on weak signals nearly every mended packet is mended by one of the
// first dozen. A candidate is tested by the XOR of per-bit syndromes (the
// CRC is linear once its start value is taken out). A type byte one bit
// from 0x02 is a GPS packet's only if a candidate flipping that bit passes.
#pragma once

#include <cstdint>

namespace sonde::ostrel {

constexpr int kRepairGroups = 18;  // the packet: groups 0..17
constexpr int kRepairTests = 16;   // CRC tests per packet at most
constexpr int kRepairBits = kRepairGroups * 10;
constexpr int kRepairDataBits = (kRepairGroups - 1) * 8;  // data bits of groups 1..17

struct GpsRepairTable {
    // Change of (computed CRC ^ stored CRC) when data bit u of groups
    // 1..17 flips (u = 8 * (group - 1) + bit, least significant first).
    uint32_t syndrome[kRepairDataBits] = {};
};

void gps_repair_table_init(GpsRepairTable& t);

// Position in the frame's bits of data bit u.
inline int repair_bit_position(int u) { return 10 * (u / 8 + 1) + 1 + u % 8; }

enum class RepairResult { not_gps, good, corrected, failed };

struct RepairOutcome {
    RepairResult result = RepairResult::not_gps;
    int flipped = 0;  // bits flipped when corrected (a wrong start or stop bit included)
    int tests = 0;    // candidates tested against the CRC
};

// bits: the frame's bits (at least kRepairBits), changed in place when a
// candidate passes; the start and stop bits of a GPS packet's groups 1..17
// are set right whatever the result (a group there is never the frame's
// end); llr: their log-likelihood ratios.
RepairOutcome gps_repair(const GpsRepairTable& t, unsigned char* bits, const float* llr);

}  // namespace sonde::ostrel
