// CRC-guided repair of a GPS packet read by the weak-signal path. When the
// CRC of a packet with the type bytes 0x01 0x02 fails, the least reliable
// data bits of its groups 1..17 are flipped, one or two at a time, in
// increasing total unreliability (the sum of |llr| of the flipped bits), and
// the first candidate whose CRC passes is taken. A candidate must leave every
// start bit 0 and every stop bit 1: a wrong start or stop bit takes one of
// the two flips, two of them leave nothing to try. At most kRepairTests
// candidates are tested, so that a packet beyond repair passes by chance
// with a probability of about kRepairTests / 65536; on weak signals through
// the receiver chain nearly every mended packet is mended by one of the
// first dozen candidates.
// The CRC is linear once its start value is taken out: a candidate is tested
// by the XOR of per-bit syndromes. A type byte one bit away from 0x02 is
// taken for a GPS packet only when a candidate that flips that bit passes.
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
