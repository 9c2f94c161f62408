#include "vardo/robust_frame.h"

#include <cmath>

#include "dsp/soft_correction.h"
#include "frame/syndrome_table.h"
#include "vardo/check_m10.h"

namespace sonde::vardo {

namespace {

// Hard symbols of the two type bytes of type t.
void type_symbols(int t, uint8_t* hard) {
    const unsigned bits = static_cast<unsigned>(kRobustTypes[t].b0) << 8 | kRobustTypes[t].b1;
    uint8_t prev = 0;
    for (int j = 0; j < kRobustTypeSymbols; j++) {
        const unsigned d = bits >> (15 - j) & 1u;
        prev = d ? prev : static_cast<uint8_t>(prev ^ 1u);
        hard[j] = prev;
    }
}

// Data bytes from hard symbols (1 for symbol 1), the symbol before the first
// being 0; n symbols, n / 8 bytes.
void robust_symbols_to_bytes(const uint8_t* hard, int n, uint8_t* bytes) {
    uint8_t prev = 0;
    for (int i = 0; i < n / 8; i++) {
        unsigned v = 0;
        for (int k = 0; k < 8; k++) {
            const uint8_t h = hard[8 * i + k];
            v = v << 1 | (h == prev ? 1u : 0u);
            prev = h;
        }
        bytes[i] = static_cast<uint8_t>(v);
    }
}

}  // namespace

uint16_t robust_syndrome(const uint8_t* bytes, int len) {
    return static_cast<uint16_t>(sonde::check_syndrome(checkM10, bytes, len - 2));
}

void robust_syndromes_init(RobustSyndromes& s) {
    for (int t = 0; t < kRobustTypeCount; t++)
        sonde::syndrome_table(checkM10, kRobustTypes[t].len - 2, 0, true, s.bit[t]);
}

int robust_frame_type(const float* sym, int max_errors) {
    int best = -1, best_errors = max_errors + 1;
    for (int t = 0; t < kRobustTypeCount; t++) {
        uint8_t hard[kRobustTypeSymbols];
        type_symbols(t, hard);
        int e = 0;
        for (int j = 0; j < kRobustTypeSymbols; j++) e += (sym[j] > 0.0f) != (hard[j] != 0);
        if (e < best_errors) best = t, best_errors = e;
    }
    return best;
}

RobustDecision robust_decide(const float* sym, int t, const RobustSyndromes& s, int max_candidates) {
    RobustDecision d;
    const int len = kRobustTypes[t].len;
    const int n = 8 * len;
    d.len = len;
    uint8_t hard[kRobustMaxSymbols];
    for (int j = 0; j < n; j++) hard[j] = sym[j] > 0.0f ? 1 : 0;
    uint8_t plain[kRobustMaxBytes];
    robust_symbols_to_bytes(hard, n, plain);
    type_symbols(t, hard);
    robust_symbols_to_bytes(hard, n, d.bytes);

    uint16_t syn = robust_syndrome(d.bytes, len);
    if (syn != 0) {
        // Units: the symbols after the type bytes; flipping symbol j flips
        // data bits j and j + 1.
        float rel[kRobustMaxSymbols];
        uint32_t unit[kRobustMaxSymbols];
        const int m = n - kRobustTypeSymbols;
        for (int u = 0; u < m; u++) {
            const int j = u + kRobustTypeSymbols;
            rel[u] = std::fabs(sym[j]);
            unit[u] = s.bit[t][j] ^ (j + 1 < n ? s.bit[t][j + 1] : 0u);
        }
        sonde::CorrectionCandidate cand[sonde::kMaxCorrectionCandidates];
        const int nc = sonde::correction_candidates(rel, m, max_candidates, cand);
        const int k = sonde::correct_first(cand, nc, [&](const sonde::CorrectionCandidate& c) {
            return sonde::candidate_syndrome(syn, unit, c) == 0;
        });
        if (k >= 0) {
            for (int i = 0; i < cand[k].count; i++) hard[cand[k].units[i] + kRobustTypeSymbols] ^= 1u;
            robust_symbols_to_bytes(hard, n, d.bytes);
            syn = 0;
        }
    }
    d.good = syn == 0;
    for (int i = 0; i < len; i++) d.corrected += __builtin_popcount(static_cast<unsigned>(d.bytes[i] ^ plain[i]));
    return d;
}

}  // namespace sonde::vardo
