#include "soft_sync.h"

#include <cmath>

namespace sonde {

bool soft_sync_init(SoftSync& s, std::string_view bits, float threshold) {
    if (bits.empty() || bits.size() > static_cast<std::size_t>(kSoftSyncMaxLen)) return false;
    s = SoftSync{};
    s.len = static_cast<int>(bits.size());
    for (int i = 0; i < s.len; i++) {
        const bool one = bits[static_cast<std::size_t>(i)] == '1';
        s.word[i] = one ? 1.0f : -1.0f;
        s.hard_word = s.hard_word << 1 | (one ? 1u : 0u);
    }
    s.mask = s.len == 64 ? ~uint64_t{0} : (uint64_t{1} << s.len) - 1;
    s.threshold = threshold;
    return true;
}

namespace {

// The score, and in *corr the plain correlation it was computed from (0
// before len values).
float score_and_correlation(const SoftSync& s, float* corr) {
    *corr = 0.0f;
    if (s.filled < s.len) return 0.0f;
    const float* w = s.hist + s.pos;  // oldest first
    float c = 0.0f, m = 0.0f;
    for (int i = 0; i < s.len; i++) {
        c += s.word[i] * w[i];
        m += w[i] * w[i];
    }
    *corr = c;
    return m > 0.0f ? c / std::sqrt(m * static_cast<float>(s.len)) : 0.0f;
}

}  // namespace

float soft_sync_score(const SoftSync& s) {
    float c;
    return score_and_correlation(s, &c);
}

float soft_sync_correlation(const SoftSync& s) {
    const float* w = s.hist + s.pos;
    float c = 0.0f;
    for (int i = 0; i < s.len; i++) c += s.word[i] * w[i];
    return c;
}

namespace {

// Bit count without a library call (portable builds have no popcnt).
inline int bit_count(uint64_t x) {
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((x * 0x0101010101010101ull) >> 56);
}

}  // namespace

int soft_sync_push(SoftSync& s, float x, float* score, float* corr) {
    s.hist[s.pos] = x;
    s.hist[s.pos + s.len] = x;
    if (++s.pos == s.len) s.pos = 0;
    if (s.filled < s.len) s.filled++;
    s.hard = (s.hard << 1 | (x > 0.0f ? 1u : 0u)) & s.mask;
    const int d = bit_count(s.hard ^ s.hard_word);
    if (d > s.max_errors && s.len - d > s.max_errors) {
        if (score) *score = 0.0f;
        if (corr) *corr = 0.0f;
        return 0;
    }
    float c;
    const float r = score_and_correlation(s, &c);
    if (score) *score = r;
    if (corr) *corr = c;
    if (r >= s.threshold) return 1;
    if (-r >= s.threshold) return -1;
    return 0;
}

}  // namespace sonde
