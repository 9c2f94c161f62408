// How often the CRC-guided repair of `ostrel --robust` accepts a GPS packet
// that is corrupted beyond repair: packets with 3 to 8 wrong bits, soft
// values of the kind a weak signal gives (right bits with |llr| spread
// around 4, wrong ones small, so that the repair does try them), each
// repaired once; a packet accepted with content other than what was sent is
// a false accept. Deterministic (fixed seed).
// usage: ostrel_repair_bench [PACKETS]   (200000)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ostrel/gps_repair.h"
#include "ostrel_synth.h"
#include "synth/signals.h"

using namespace sonde::ostrel;

int main(int argc, char** argv) {
    const long n = argc > 1 ? std::atol(argv[1]) : 200000;
    GpsRepairTable table;
    gps_repair_table_init(table);
    Gaussian g = gaussian_seeded(2026);
    uint64_t x = 88172645463325252ull;
    auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return x;
    };
    long accepted = 0, tests = 0, corrupted = 0;
    for (long k = 0; k < n; k++) {
        OstrelGps p;
        p.lat = static_cast<float>(next() % 180000) / 1000.0f - 90.0f;
        p.lon = static_cast<float>(next() % 360000) / 1000.0f - 180.0f;
        p.alt_raw = static_cast<uint16_t>(next());
        p.hour = static_cast<uint8_t>(next() % 24);
        p.minute = static_cast<uint8_t>(next() % 60);
        p.second = static_cast<uint8_t>(next() % 60);
        const auto pk = ostrel_gps_packet(p);
        const std::string sent = ostrel_group_bits(std::vector<uint8_t>(pk.begin(), pk.end()));
        unsigned char bits[kRepairBits];
        float llr[kRepairBits];
        for (int i = 0; i < kRepairBits; i++) {
            bits[i] = static_cast<unsigned char>(sent[static_cast<std::size_t>(i)] == '1');
            const double size = std::fabs(4.0 + 2.5 * gaussian_next(g));
            llr[i] = static_cast<float>(bits[i] ? size : -size);
        }
        // Wrong data bits in groups 2..17 (the type byte stays 0x02, the
        // framing right): the repair's hardest case.
        const int nerr = 3 + static_cast<int>(next() % 6);
        for (int e = 0; e < nerr; e++) {
            const int pos = 20 + static_cast<int>(next() % 160);
            if (pos % 10 == 0 || pos % 10 == 9) continue;
            bits[pos] ^= 1;
            const double size = std::fabs(1.5 * gaussian_next(g));
            llr[pos] = static_cast<float>(bits[pos] ? size : -size);
        }
        bool wrong = false;
        for (int i = 0; i < kRepairBits; i++) wrong = wrong || bits[i] != (sent[static_cast<std::size_t>(i)] == '1');
        if (!wrong) continue;
        corrupted++;
        const RepairOutcome o = gps_repair(table, bits, llr);
        tests += o.tests;
        bool same = true;
        for (int i = 0; i < kRepairBits; i++) same = same && bits[i] == (sent[static_cast<std::size_t>(i)] == '1');
        // Mended after all (its errors were few enough) is no false accept.
        if ((o.result == RepairResult::good || o.result == RepairResult::corrected) && !same) accepted++;
    }
    std::printf("corrupted packets %ld, false accepts %ld (%.3f per 1000), CRC tests per packet %.1f\n", corrupted,
                accepted, 1000.0 * static_cast<double>(accepted) / static_cast<double>(corrupted),
                static_cast<double>(tests) / static_cast<double>(corrupted));
    return 0;
}
