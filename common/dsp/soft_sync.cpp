#include "soft_sync.h"

#include <cmath>

namespace sonde {

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

int soft_sync_scored(const SoftSync& s, float* score, float* corr) {
    float c;
    const float r = score_and_correlation(s, &c);
    if (score) *score = r;
    if (corr) *corr = c;
    if (r >= s.threshold) return 1;
    if (-r >= s.threshold) return -1;
    return 0;
}

}  // namespace sonde
