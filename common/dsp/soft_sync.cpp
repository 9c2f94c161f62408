#include "soft_sync.h"

#include <cmath>

namespace sonde {

int soft_sync_scored(const SoftSync& s, float* score, float* corr) {
    float c = 0.0f, m = 0.0f, r = 0.0f;
    if (s.filled == s.len) {
        const float* w = s.hist + s.pos;  // oldest first
        for (int i = 0; i < s.len; i++) {
            c += s.word[i] * w[i];
            m += w[i] * w[i];
        }
        r = m > 0.0f ? c / std::sqrt(m * static_cast<float>(s.len)) : 0.0f;
    }
    if (score) *score = r;
    if (corr) *corr = c;
    if (r >= s.threshold) return 1;
    if (-r >= s.threshold) return -1;
    return 0;
}

}  // namespace sonde
