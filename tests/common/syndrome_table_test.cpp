// Syndrome tables of the three frame checks, against each check as the
// synthesizers compute it: for random frames with one or two flipped bits
// (the stored check's included), the syndrome of the damaged frame is the
// frame's syndrome XOR the table entries of the flipped bits.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "frame/syndrome_table.h"
#include "ostrel/ostrel_synth.h"
#include "pelkin/pelkin_synth.h"
#include "vardo/vardo_synth.h"

namespace {

using Check = uint16_t (*)(const uint8_t*, int);

struct Layout {
    const char* name;
    Check check;
    int covered;
    int first;
    bool msb_first;
};

const Layout kLayouts[] = {
    {"vardo", [](const uint8_t* b, int n) { return vardo_check(b, n); }, 66, 0, true},
    {"pelkin", [](const uint8_t* b, int n) { return pelkin_crc(b, static_cast<std::size_t>(n)); }, 48, 3, false},
    {"ostrel", [](const uint8_t* b, int n) { return ostrel_synth_crc16(b, static_cast<std::size_t>(n)); }, 16, 1,
     false},
};

}  // namespace

TEST(SyndromeTable, FlipsChangeTheSyndromeByTheirEntries) {
    for (const Layout& l : kLayouts) {
        const int units = 8 * (l.covered + 2 - l.first);
        std::vector<uint32_t> table(static_cast<std::size_t>(units));
        sonde::syndrome_table(l.check, l.covered, l.first, l.msb_first, table.data());
        auto syndrome = [&](const std::vector<uint8_t>& b) {
            return static_cast<uint32_t>(l.check(b.data(), l.covered) ^ (b[l.covered] << 8 | b[l.covered + 1]));
        };
        auto flip = [&](std::vector<uint8_t>& b, int u) {
            const int k = u % 8;
            b[static_cast<std::size_t>(l.first + u / 8)] ^= static_cast<uint8_t>(l.msb_first ? 0x80 >> k : 1 << k);
        };
        uint32_t s = 12345u;
        auto next = [&] { return (s = s * 69069u + 1u) >> 8; };
        for (int u = 0; u < units; u++) {
            std::vector<uint8_t> frame(static_cast<std::size_t>(l.covered + 2));
            for (uint8_t& x : frame) x = static_cast<uint8_t>(next());
            const uint32_t before = syndrome(frame);
            flip(frame, u);
            EXPECT_EQ(syndrome(frame), before ^ table[static_cast<std::size_t>(u)]) << l.name << " " << u;
            const int v = static_cast<int>(next() % static_cast<uint32_t>(units));
            if (v == u) continue;
            flip(frame, v);
            EXPECT_EQ(syndrome(frame), before ^ table[static_cast<std::size_t>(u)] ^ table[static_cast<std::size_t>(v)])
                << l.name << " " << u << " " << v;
        }
    }
}
