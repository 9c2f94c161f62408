// The sync-word ring: each program's word, the wrap point, inversion and
// the partial count.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "slicer/sync_ring.h"

using namespace sonde;

namespace {
const char* kWord32 = "10011001100110010100110010011001";
const char* kWord20 = "00101010110010101011";
const char* kWord30 = "111111111111111111110100000001";

void push_all(SyncRing& r, const std::string& bits) {
    for (char c : bits) sync_ring_push(r, c);
}
std::string inverted(const std::string& s) {
    std::string t = s;
    for (char& c : t) c = c == '0' ? '1' : '0';
    return t;
}
int compare2(const SyncRing& r, bool with_inverted) { return compare_word(r, r.bits, r.valid, with_inverted); }
}  // namespace

TEST(SyncRing, FullWordFromAnEmptyRing) {
    SyncRing r;
    sync_ring_init(r, kWord32);
    std::string word = kWord32;
    push_all(r, word.substr(0, 31));
    EXPECT_EQ(compare2(r, true), 0);  // not yet N bits
    sync_ring_push(r, word[31]);
    EXPECT_EQ(compare2(r, true), 1);
    sync_ring_push(r, '1');
    EXPECT_EQ(compare2(r, true), 0);
}

TEST(SyncRing, InvertedWordOnlyWhenAskedFor) {
    SyncRing r;
    sync_ring_init(r, kWord32);
    push_all(r, inverted(kWord32));
    EXPECT_EQ(compare2(r, true), -1);
    EXPECT_EQ(compare2(r, false), 0);

    SyncRing p;
    sync_ring_init(p, kWord20);
    push_all(p, inverted(kWord20));
    EXPECT_EQ(compare2(p, false), 0);
    EXPECT_EQ(compare2(p, true), -1);
}

TEST(SyncRing, WordStraddlingTheWrapPointIsFound) {
    for (int lead = 1; lead < 20; lead++) {
        SyncRing r;
        sync_ring_init(r, kWord20);
        push_all(r, std::string(static_cast<std::size_t>(lead), '1') + kWord20);
        EXPECT_EQ(compare2(r, false), 1) << lead;
    }
}

TEST(SyncRing, CountOfAgreeingNewestBits) {
    SyncRing r;
    sync_ring_init(r, kWord30);
    EXPECT_EQ(compare(r), 0);
    sync_ring_push(r, '1');
    EXPECT_EQ(compare(r), 1);  // the newest bit agrees with the word's last
    push_all(r, "0100000001");
    int partial = compare(r);
    EXPECT_GE(partial, 10);
    EXPECT_LT(partial, 30);
    SyncRing full;
    sync_ring_init(full, kWord30);
    push_all(full, std::string("0110") + kWord30);
    EXPECT_EQ(compare(full), 30);
    sync_ring_push(full, '8');  // the undecided state never agrees
    EXPECT_EQ(compare(full), 0);
}

TEST(SyncRing, PushingARunAtOnceEqualsPushingItBitByBit) {
    SyncRing one, many;
    sync_ring_init(one, "00101010110010101011");
    sync_ring_init(many, "00101010110010101011");
    unsigned seed = 5;
    for (int i = 0; i < 500; i++) {
        seed = seed * 1103515245u + 12345u;
        const char c = (seed >> 16) & 1 ? '1' : '0';
        const int k = static_cast<int>((seed >> 20) % 21);
        for (int j = 0; j < k; j++) sync_ring_push(one, c);
        sync_ring_push_bits(many, c == '1', k);
        ASSERT_EQ(one.bits, many.bits);
        ASSERT_EQ(one.valid, many.valid);
    }
}

TEST(SyncRing, TrailingRunOfTheSyncWord) {
    SyncRing r;
    sync_ring_init(r, "00101010110010101011");
    EXPECT_EQ(r.tail_run, 2);
    sync_ring_init(r, "0111");
    EXPECT_EQ(r.tail_run, 3);
    sync_ring_init(r, "1111");
    EXPECT_EQ(r.tail_run, 4);
}

// Whole runs through the shift register, searched as the programs do, find
// the word at the same bit, with the same sign, as pushing and comparing
// bit by bit. The runs are random (often of the same bit twice, as when a
// skipped spike lies between them, sometimes long), with the word and its
// inverse slipped in now and then, split into its own runs.
TEST(SyncRing, SearchingWholeRunsEqualsComparingAfterEveryBit) {
    for (const char* word : {kWord32, kWord20, kWord30, "0111", "1111", "1"}) {
        for (bool with_inverted : {false, true}) {
            SyncRing one, runs;
            sync_ring_init(one, word);
            sync_ring_init(runs, word);
            unsigned seed = 11;
            auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
            std::vector<std::pair<uint32_t, int>> stream;
            while (stream.size() < 20000) {
                if (next() % 40 == 0) {
                    const std::string w = next() % 2 ? std::string(word) : inverted(word);
                    for (std::size_t i = 0; i < w.size();) {
                        std::size_t e = i;
                        while (e < w.size() && w[e] == w[i]) e++;
                        stream.emplace_back(w[i] == '1', static_cast<int>(e - i));
                        i = e;
                    }
                } else {
                    const int len = next() % 16 == 0 ? static_cast<int>(next() % 40) : 1 + static_cast<int>(next() % 2);
                    stream.emplace_back(next() & 1, len);
                }
            }
            int hits = 0;
            for (const auto& [bit, len] : stream) {
                int from = 0;
                while (from < len) {
                    int expect_at = 0, expect_sign = 0;
                    for (int k = from; k < len; k++) {
                        sync_ring_push(one, static_cast<char>('0' + bit));
                        const int s = compare2(one, with_inverted);
                        if (s != 0) {
                            expect_at = k + 1;
                            expect_sign = s;
                            break;
                        }
                    }
                    int sign = 0;
                    const int at = sync_ring_search_run(runs, bit, from, len, with_inverted, &sign);
                    ASSERT_EQ(at, expect_at) << word;
                    ASSERT_EQ(runs.bits & runs.mask, one.bits & one.mask);
                    ASSERT_EQ(runs.valid & runs.mask, one.valid & one.mask);
                    if (at == 0) break;
                    ASSERT_EQ(sign, expect_sign);
                    hits++;
                    from = at;  // the search goes on later in the same run
                }
            }
            EXPECT_GT(hits, 100) << word;
        }
    }
}

TEST(SyncRing, PushingBitsSaturatesAndIgnoresEmptyRuns) {
    SyncRing r;
    sync_ring_init(r, kWord32);
    sync_ring_push_bits(r, 1, 0);
    sync_ring_push_bits(r, 1, -3);
    EXPECT_EQ(r.valid, 0u);
    sync_ring_push_bits(r, 1, 5);
    EXPECT_EQ(r.bits, 0x1Fu);
    sync_ring_push_bits(r, 0, 1000);
    EXPECT_EQ(r.bits, 0u);
    EXPECT_EQ(r.valid, 0xFFFFFFFFu);
    sync_ring_push_bits(r, 1, 32);
    EXPECT_EQ(r.bits, 0xFFFFFFFFu);
}
