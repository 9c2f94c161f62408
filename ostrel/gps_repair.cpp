#include "ostrel/gps_repair.h"

#include <bit>
#include <cmath>

#include "ostrel/byte_groups.h"
#include "frame/crc16.h"
#include "ostrel/gps_packet.h"
#include "dsp/soft_correction.h"
#include "frame/syndrome_table.h"

namespace sonde::ostrel {

namespace {
constexpr auto aug_ccitt = [](const uint8_t* bytes, int n) { return sonde::crc16(sonde::kCrc16AugCcitt, bytes, n); };

// Computed CRC ^ stored CRC of the packet in bits.
uint32_t packet_syndrome(const unsigned char* bits) {
    unsigned char bytes[kRepairGroups];
    for (int g = 0; g < kRepairGroups; g++) bytes[g] = static_cast<unsigned char>(bits2byte(bits + 10 * g) & 0xFF);
    return sonde::check_syndrome(aug_ccitt, bytes, kGpsCrcCovered);
}

// How many start and stop bits of groups 1..17 are wrong.
int framing_errors(const unsigned char* bits) {
    int n = 0;
    for (int g = 1; g < kRepairGroups; g++) n += (bits[10 * g] != 0) + (bits[10 * g + 9] != 1);
    return n;
}
// Start and stop bits of groups 1..17 set as they are sent. Inside the
// packet a group of ten ones is a byte 0xFF whose start bit was read wrong,
// not the frame's end: read as the end, it would leave the bytes behind it
// to an earlier frame, whose packet would pass its CRC again.
void put_framing_right(unsigned char* bits) {
    for (int g = 1; g < kRepairGroups; g++) {
        bits[10 * g] = 0;
        bits[10 * g + 9] = 1;
    }
}

RepairOutcome repair(const GpsRepairTable& t, unsigned char* bits, const float* llr) {
    RepairOutcome out;
    if (bits2byte(bits) != kPacketStart) return out;
    // A type byte one bit away from a GPS packet's is one only if flipping
    // that bit (then one of the two flips) makes the CRC pass.
    const int type = bits2byte(bits + 10);
    int type_unit = -1;
    if (type != kPacketTypeGps) {
        const int diff = (type ^ kPacketTypeGps) & 0xFF;
        if (type == kAllOnesGroup || (diff & (diff - 1)) != 0) return out;
        type_unit = std::countr_zero(static_cast<unsigned>(diff));
    }
    const uint32_t syndrome = packet_syndrome(bits);
    if (syndrome == 0 && type_unit < 0) {
        out.result = RepairResult::good;
        return out;
    }
    out.result = RepairResult::failed;
    const int nwrong = framing_errors(bits);
    if (nwrong >= 2) return out;

    float reliability[kRepairDataBits];
    for (int u = 0; u < kRepairDataBits; u++) reliability[u] = std::fabs(llr[repair_bit_position(u)]);
    sonde::CorrectionCandidate cands[sonde::kMaxCorrectionCandidates];
    const int n = sonde::correction_candidates(reliability, kRepairDataBits, sonde::kMaxCorrectionCandidates, cands);
    const int hit = sonde::correct_first(cands, n, [&](const sonde::CorrectionCandidate& c) {
        // A wrong start or stop bit takes one of the two flips.
        if (c.count + nwrong > 2) return false;
        if (type_unit >= 0 && c.units[0] != type_unit && c.units[1] != type_unit) return false;
        if (out.tests == kRepairTests) return false;
        out.tests++;
        return sonde::candidate_syndrome(syndrome, t.syndrome, c) == 0;
    });
    if (hit < 0) return out;
    const sonde::CorrectionCandidate& c = cands[hit];
    for (int i = 0; i < c.count; i++) bits[repair_bit_position(c.units[i])] ^= 1;
    out.result = RepairResult::corrected;
    out.flipped = c.count + nwrong;
    return out;
}
}  // namespace

void gps_repair_table_init(GpsRepairTable& t) {
    sonde::syndrome_table(aug_ccitt, kGpsCrcCovered, 1, false, t.syndrome);
}

RepairOutcome gps_repair(const GpsRepairTable& t, unsigned char* bits, const float* llr) {
    const RepairOutcome out = repair(t, bits, llr);
    if (out.result != RepairResult::not_gps) put_framing_right(bits);
    return out;
}

}  // namespace sonde::ostrel
