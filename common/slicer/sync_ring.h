// The sync-word ring: the newest bits as a shift register with a mask of
// the positions that hold a real bit, compared with the sync word after each
// bit while a program searches for a frame, in a few word operations.
#pragma once

#include <cstdint>

namespace sonde {

constexpr int kSyncRingMax = 32;

struct SyncRing {
    int n = 0;  // sync word length: 32, 20 or 30
    // Newest bit in bit 0; `valid` marks positions holding '0' or '1'.
    uint32_t bits = 0;
    uint32_t valid = 0;
    uint32_t word = 0;  // the sync word in the same order, newest bit in bit 0
    uint32_t mask = 0;  // the low n bits
    int tail_run = 0;   // equal bits at the end of the sync word
};

// header: 1 to kSyncRingMax characters, each '0' or '1'.
void sync_ring_init(SyncRing& r, const char* header);

// One bit character; anything but '0' or '1' never agrees with the word.
inline void sync_ring_push(SyncRing& r, char c) {
    r.bits = r.bits << 1 | static_cast<uint32_t>(c == '1');
    r.valid = r.valid << 1 | static_cast<uint32_t>(c == '0' || c == '1');
}

// k copies of bit (0 or 1); none for k <= 0.
inline void sync_ring_push_bits(SyncRing& r, uint32_t bit, int k) {
    // Past 32 copies the register holds nothing else.
    const unsigned s = k <= 0 ? 0u : k < 32 ? static_cast<unsigned>(k) : 32u;
    const uint64_t ones = (uint64_t{1} << s) - 1;
    r.bits = static_cast<uint32_t>(static_cast<uint64_t>(r.bits) << s | (ones & (0 - static_cast<uint64_t>(bit))));
    r.valid = static_cast<uint32_t>(static_cast<uint64_t>(r.valid) << s | ones);
}

// 1 when the register contents bits and valid hold the sync word, -1 when
// they hold the inverted word (looked for only when with_inverted is set), 0
// otherwise.
inline int compare_word(const SyncRing& r, uint32_t bits, uint32_t valid, bool with_inverted) {
    if ((valid & r.mask) != r.mask) return 0;
    const uint32_t diff = (bits ^ r.word) & r.mask;
    if (diff == 0) return 1;
    if (with_inverted && diff == r.mask) return -1;
    return 0;
}

// Number of newest characters that agree with the end of the sync word
// before the first disagreement, 0 to n.
inline int compare(const SyncRing& r) {
    const uint64_t disagree = (static_cast<uint64_t>((r.bits ^ r.word) | ~r.valid) & r.mask) | (uint64_t{1} << r.n);
    return __builtin_ctzll(disagree);
}

// A run of len copies of bit whose first `from` bits are in the ring
// already: pushes the rest, comparing as compare_word would after each bit.
// Returns how many bits of the run are in when the ring first holds the sync
// word (or, with with_inverted, the inverted one; *sign gets which), or 0
// after the whole run. Past the word's trailing run of equal bits no bit of a
// run can complete it (unless the word is all one bit).
inline int sync_ring_search_run(SyncRing& r, uint32_t bit, int from, int len, bool with_inverted, int* sign) {
    // A word of equal bits: n bits of the run fill the ring with it.
    const int reach = r.tail_run < r.n ? r.tail_run : from + r.n;
    const int upto = len < reach ? len : reach;
    // The register as it would stand after each bit that can complete the
    // word is compared on the side; unless the word shows up, the ring takes
    // the run in one step.
    uint32_t b = r.bits, v = r.valid;
    for (int k = from; k < upto; k++) {
        b = b << 1 | bit;
        v = v << 1 | 1u;
        const int s = compare_word(r, b, v, with_inverted);
        if (s != 0) {
            r.bits = b;
            r.valid = v;
            *sign = s;
            return k + 1;
        }
    }
    sync_ring_push_bits(r, bit, len - from);
    return 0;
}

}  // namespace sonde
