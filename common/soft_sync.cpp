#include "soft_sync.h"

#include <cmath>

namespace common {

bool soft_sync_init(SoftSync& s, std::string_view bits, float threshold) {
    if (bits.empty() || bits.size() > static_cast<std::size_t>(kSoftSyncMaxLen)) return false;
    s = SoftSync{};
    s.len = static_cast<int>(bits.size());
    for (int i = 0; i < s.len; i++) s.word[i] = bits[static_cast<std::size_t>(i)] == '1' ? 1.0f : -1.0f;
    s.threshold = threshold;
    return true;
}

float soft_sync_score(const SoftSync& s) {
    if (s.filled < s.len) return 0.0f;
    const float* w = s.hist + s.pos;  // oldest first
    float c = 0.0f, m = 0.0f;
    for (int i = 0; i < s.len; i++) {
        c += s.word[i] * w[i];
        m += std::fabs(w[i]);
    }
    return m > 0.0f ? c / m : 0.0f;
}

int soft_sync_push(SoftSync& s, float x, float* score) {
    s.hist[s.pos] = x;
    s.hist[s.pos + s.len] = x;
    if (++s.pos == s.len) s.pos = 0;
    if (s.filled < s.len) s.filled++;
    const float r = soft_sync_score(s);
    if (score) *score = r;
    if (r >= s.threshold) return 1;
    if (-r >= s.threshold) return -1;
    return 0;
}

}  // namespace common
