#include "iq/carrier_finder.h"

#include <algorithm>
#include <cmath>

namespace sonde::iq {

namespace {

int bin_of(const Spectrum& s, double hz) { return static_cast<int>(std::lround(hz / spectrum_bin_hz(s))) + s.size / 2; }

void estimate_floor(CarrierFinder& f, const Spectrum& s) {
    const int n = s.size;
    const int seg = std::max(32, n / 16);
    const int segs = std::max(1, n / seg);
    // Bias of the 25th percentile of a mean of `frames` chi-square(2) terms.
    const double rel = 1.0 / std::sqrt(std::max(1, s.frames));
    const double corr = 1.0 / std::max(0.2, 1.0 - 0.674 * rel);
    std::vector<double>& tmp = f.scratch;
    double centre[64], level[64];
    const int ns = std::min(segs, 64);
    const int width = n / ns;
    for (int g = 0; g < ns; g++) {
        const int a = g * width, b = g == ns - 1 ? n : a + width;
        tmp.assign(s.power.begin() + a, s.power.begin() + b);
        const std::size_t q = tmp.size() / 4;
        std::nth_element(tmp.begin(), tmp.begin() + static_cast<std::ptrdiff_t>(q), tmp.end());
        level[g] = tmp[q] * corr;
        centre[g] = 0.5 * (a + b - 1);
    }
    for (int i = 0; i < n; i++) {
        double v = level[0];
        if (ns > 1 && i > centre[0]) {
            int g = 0;
            while (g + 1 < ns - 1 && i > centre[g + 1]) g++;
            const double t = std::min(1.0, (i - centre[g]) / (centre[g + 1] - centre[g]));
            v = level[g] + t * (level[g + 1] - level[g]);
        }
        f.floor[static_cast<std::size_t>(i)] = std::max(v, 1e-30);
    }
}

// Power-weighted mean frequency (bins) and total excess power (per Hz sum)
// of the excess within +-half bins of bin c.
void centroid(const CarrierFinder& f, const Spectrum& s, double c, int half, double& mean, double& total, int& peak) {
    const int lo = std::max(0, static_cast<int>(std::lround(c)) - half);
    const int hi = std::min(s.size - 1, static_cast<int>(std::lround(c)) + half);
    double sw = 0.0, swi = 0.0, best = -1.0;
    peak = lo;
    for (int i = lo; i <= hi; i++) {
        const double e = s.power[static_cast<std::size_t>(i)] - f.floor[static_cast<std::size_t>(i)];
        if (s.power[static_cast<std::size_t>(i)] > best) {
            best = s.power[static_cast<std::size_t>(i)];
            peak = i;
        }
        if (e <= 0.0) continue;
        sw += e;
        swi += e * i;
    }
    mean = sw > 0.0 ? swi / sw : c;
    total = sw;
}

}  // namespace

void finder_init(CarrierFinder& f, const FinderConfig& cfg, int bins) {
    f.cfg = cfg;
    f.floor.assign(static_cast<std::size_t>(bins), 0.0);
    f.ratio.assign(static_cast<std::size_t>(bins), 0.0);
    f.excess.assign(static_cast<std::size_t>(bins), 0.0);
    f.scratch.reserve(static_cast<std::size_t>(bins));
    f.count = 0;
}

double finder_noise_at(const CarrierFinder& f, const Spectrum& s, double offset_hz) {
    const int i = std::clamp(bin_of(s, offset_hz), 0, s.size - 1);
    return f.floor[static_cast<std::size_t>(i)];
}

void finder_search(CarrierFinder& f, const Spectrum& s) {
    const int n = s.size;
    const double bin_hz = spectrum_bin_hz(s);
    f.count = 0;
    if (s.frames == 0) return;
    estimate_floor(f, s);
    for (int i = 0; i < n; i++)
        f.ratio[static_cast<std::size_t>(i)] =
            s.power[static_cast<std::size_t>(i)] / f.floor[static_cast<std::size_t>(i)];

    // Windowed mean excess by a running sum.
    const int w = std::max(1, static_cast<int>(std::lround(f.cfg.window_hz / bin_hz / 2.0)));
    const int span = 2 * w + 1;
    double run = 0.0;
    for (int i = 0; i < std::min(span, n); i++) run += f.ratio[static_cast<std::size_t>(i)];
    std::fill(f.excess.begin(), f.excess.end(), 0.0);
    for (int c = w; c + w < n; c++) {
        f.excess[static_cast<std::size_t>(c)] = run / span - 1.0;
        if (c + w + 1 < n)
            run += f.ratio[static_cast<std::size_t>(c + w + 1)] - f.ratio[static_cast<std::size_t>(c - w)];
    }
    // A Hann window's bins overlap: about 1.5 bins per independent one.
    f.sigma = std::sqrt(1.5 / (static_cast<double>(s.frames) * span));
    const double thr = std::max(f.cfg.threshold, f.cfg.sigmas * f.sigma);

    const int lo = std::max(w, bin_of(s, -0.5 * s.rate + f.cfg.edge_hz));
    const int hi = std::min(n - 1 - w, bin_of(s, 0.5 * s.rate - f.cfg.edge_hz));
    const int sep = std::max(1, static_cast<int>(std::lround(f.cfg.min_separation_hz / bin_hz)));
    const int half = std::max(1, static_cast<int>(std::lround(f.cfg.measure_hz / bin_hz)));
    for (int c = lo; c <= hi && f.count < kMaxFound; c++) {
        const double e = f.excess[static_cast<std::size_t>(c)];
        if (e < thr) continue;
        bool top = true;
        for (int j = std::max(0, c - sep); j <= std::min(n - 1, c + sep) && top; j++) {
            const double o = f.excess[static_cast<std::size_t>(j)];
            if (o > e || (o == e && j < c)) top = false;
        }
        if (!top) continue;
        FoundCarrier& fc = f.found[f.count++];
        double mean = c, total = 0.0;
        int peak = c;
        for (int it = 0; it < 3; it++) centroid(f, s, mean, half, mean, total, peak);
        fc = FoundCarrier{};
        fc.offset_hz = (mean - n / 2) * bin_hz;
        fc.excess = e;
        fc.power = total * bin_hz;
        fc.noise_per_hz = f.floor[static_cast<std::size_t>(std::clamp(static_cast<int>(std::lround(mean)), 0, n - 1))];
        double near = 0.0;
        for (int j = std::max(0, peak - 1); j <= std::min(n - 1, peak + 1); j++)
            near += std::max(0.0, s.power[static_cast<std::size_t>(j)] - f.floor[static_cast<std::size_t>(j)]);
        fc.peak_fraction = total > 0.0 ? near / total : 1.0;
        fc.narrow = fc.peak_fraction > f.cfg.narrow_fraction;
    }
    // Images: the mirrored frequency holds a carrier far stronger.
    for (int k = 0; k < f.count; k++) {
        FoundCarrier& fc = f.found[k];
        double mean = 0.0, mirror = 0.0;
        int peak = 0;
        centroid(f, s, bin_of(s, -fc.offset_hz), half, mean, mirror, peak);
        fc.image = mirror * bin_hz >= fc.power * std::pow(10.0, f.cfg.image_margin_db / 10.0);
    }
    std::sort(f.found, f.found + f.count, [](const FoundCarrier& a, const FoundCarrier& b) {
        return a.power != b.power ? a.power > b.power : a.offset_hz < b.offset_hz;
    });
}

}  // namespace sonde::iq
