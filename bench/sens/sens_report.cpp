#include "sens_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>
#include <tuple>

namespace sens {

namespace {

std::string fmt(const char* f, double a) {
    char b[64];
    std::snprintf(b, sizeof b, f, a);
    return b;
}

std::string offset_label(double hz) {
    if (hz == 0) return "0 Hz";
    char b[32];
    std::snprintf(b, sizeof b, "%+g kHz", hz / 1000.0);
    return b;
}

using CurveKey = std::tuple<std::string, std::string, std::string, double>;  // set, mode, chain, offset

std::map<CurveKey, std::map<double, const Point*>> curves(const std::vector<Point>& pts) {
    std::map<CurveKey, std::map<double, const Point*>> c;
    for (const Point& p : pts) c[{p.set, p.mode, p.chain, p.offset_hz}][p.ebn0_db] = &p;
    return c;
}

double decode_rate(const Point& p) { return p.sent > 0 ? static_cast<double>(p.decoded) / p.sent : 0.0; }

std::map<double, double> rates(const std::map<double, const Point*>& curve) {
    std::map<double, double> r;
    for (const auto& [e, p] : curve) r[e] = decode_rate(*p);
    return r;
}

}  // namespace

double threshold_db(const std::map<double, double>& rate_by_ebn0, double need) {
    double best = -1;
    for (auto it = rate_by_ebn0.rbegin(); it != rate_by_ebn0.rend(); ++it) {
        if (it->second < need) break;
        best = it->first;
    }
    return best;
}

void wilson95(long k, long n, double& lo, double& hi) {
    if (n <= 0) {
        lo = 0;
        hi = 1;
        return;
    }
    const double z = 1.959963984540054, p = static_cast<double>(k) / n, nn = static_cast<double>(n);
    const double den = 1 + z * z / nn;
    const double mid = (p + z * z / (2 * nn)) / den;
    const double half = z * std::sqrt(p * (1 - p) / nn + z * z / (4 * nn * nn)) / den;
    lo = std::max(0.0, mid - half);
    hi = std::min(1.0, mid + half);
}

double ncfsk_frame_success(double ebn0_db, int bits) {
    const double p = 0.5 * std::exp(-std::pow(10.0, ebn0_db / 10.0) / 2.0);
    return std::pow(1.0 - p, bits);
}

std::vector<Point> read_points(const std::string& csv_text) {
    std::vector<Point> pts;
    std::istringstream in(csv_text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line.rfind("set,", 0) == 0) continue;
        std::vector<std::string> f;
        std::stringstream ls(line);
        std::string cell;
        while (std::getline(ls, cell, ',')) f.push_back(cell);
        if (f.size() < 9) continue;
        Point p;
        p.set = f[0];
        p.program = f[1];
        p.mode = f[2];
        p.chain = f[3];
        p.offset_hz = std::atof(f[4].c_str());
        p.ebn0_db = std::atof(f[5].c_str());
        p.sent = std::atol(f[6].c_str());
        p.decoded = std::atol(f[7].c_str());
        p.false_good = std::atol(f[8].c_str());
        pts.push_back(p);
    }
    return pts;
}

std::string report_text(const std::vector<Point>& pts, const Reference& ref) {
    std::ostringstream o;
    const auto cs = curves(pts);
    std::set<double> grid;
    for (const Point& p : pts) grid.insert(p.ebn0_db);

    o << "Decoded/sent per point (Eb/N0 in dB across; false frames, when any, after '+'):\n";
    char b[256];
    std::snprintf(b, sizeof b, "%-9s %-10s %-7s %-8s", "set", "mode", "chain", "offset");
    o << b;
    for (double e : grid) o << fmt(" %8g", e);
    o << "\n";
    for (const auto& [key, curve] : cs) {
        const auto& [set, mode, chain, off] = key;
        std::snprintf(b, sizeof b, "%-9s %-10s %-7s %-8s", set.c_str(), mode.c_str(), chain.c_str(),
                      offset_label(off).c_str());
        o << b;
        for (double e : grid) {
            auto it = curve.find(e);
            if (it == curve.end()) {
                o << "        -";
                continue;
            }
            std::string cell = std::to_string(it->second->decoded);
            cell.append("/").append(std::to_string(it->second->sent));
            if (it->second->false_good > 0) cell.append("+").append(std::to_string(it->second->false_good));
            std::snprintf(b, sizeof b, " %8s", cell.c_str());
            o << b;
        }
        o << "\n";
    }

    // Thresholds: one row per set, mode and chain; one column per offset.
    std::set<double> offsets;
    for (const Point& p : pts) offsets.insert(p.offset_hz);
    o << "\nLowest Eb/N0 (dB) from which on >= 90 % of frames decode (95 % interval of the rate there):\n";
    std::snprintf(b, sizeof b, "%-9s %-10s %-7s", "set", "mode", "chain");
    o << b;
    for (double off : offsets) {
        std::snprintf(b, sizeof b, " %22s", offset_label(off).c_str());
        o << b;
    }
    o << "   reference\n";
    std::map<std::tuple<std::string, std::string, std::string>, std::map<double, std::string>> rows;
    for (const auto& [key, curve] : cs) {
        const auto& [set, mode, chain, off] = key;
        const double t = threshold_db(rates(curve), 0.9);
        std::string cell = "not reached";
        if (t >= 0) {
            const Point* p = curve.at(t);
            double lo, hi;
            wilson95(p->decoded, p->sent, lo, hi);
            std::snprintf(b, sizeof b, "%g (%.1f-%.1f %%)", t, 100 * lo, 100 * hi);
            cell = b;
        }
        rows[{set, mode, chain}][off] = cell;
    }
    for (const auto& [key, cells] : rows) {
        const auto& [set, mode, chain] = key;
        std::snprintf(b, sizeof b, "%-9s %-10s %-7s", set.c_str(), mode.c_str(), chain.c_str());
        o << b;
        for (double off : offsets) {
            auto it = cells.find(off);
            std::snprintf(b, sizeof b, " %22s", it == cells.end() ? "-" : it->second.c_str());
            o << b;
        }
        auto r = ref.find(set);
        const double t = r == ref.end() ? -1 : threshold_db(r->second, 0.9);
        o << (t >= 0 ? fmt("   %g", t) : std::string("   -")) << "\n";
    }
    return o.str();
}

std::string report_svg(const std::vector<Point>& pts, const Reference& ref, const std::string& title) {
    const auto cs = curves(pts);
    std::vector<std::string> sets;
    double emin = 1e9, emax = -1e9;
    for (const Point& p : pts) {
        if (std::find(sets.begin(), sets.end(), p.set) == sets.end()) sets.push_back(p.set);
        emin = std::min(emin, p.ebn0_db);
        emax = std::max(emax, p.ebn0_db);
    }
    if (emax <= emin) emax = emin + 1;
    const int pw = 360, ph = 260, ml = 50, mt = 55, gap = 60;
    const int cols = std::min<int>(3, static_cast<int>(sets.size()));
    const int rows_n = (static_cast<int>(sets.size()) + cols - 1) / std::max(cols, 1);
    const int width = ml + cols * (pw + gap) + 10, height = mt + rows_n * (ph + gap + 40) + 10;
    const char* colors[] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#ff7f0e", "#8c564b", "#17becf"};
    std::ostringstream o;
    o << "<svg xmlns='http://www.w3.org/2000/svg' width='" << width << "' height='" << height
      << "' font-family='sans-serif' font-size='11'>\n<rect width='100%' height='100%' fill='white'/>\n";
    o << "<text x='" << ml << "' y='20' font-size='14'>" << title << "</text>\n";
    for (std::size_t si = 0; si < sets.size(); si++) {
        const int x0 = ml + static_cast<int>(si % cols) * (pw + gap);
        const int y0 = mt + static_cast<int>(si / cols) * (ph + gap + 40);
        auto X = [&](double e) { return x0 + (e - emin) / (emax - emin) * pw; };
        auto Y = [&](double r) { return y0 + (1.0 - r) * ph; };
        o << "<rect x='" << x0 << "' y='" << y0 << "' width='" << pw << "' height='" << ph
          << "' fill='none' stroke='#888'/>\n";
        o << "<text x='" << x0 << "' y='" << y0 - 6 << "' font-weight='bold'>" << sets[si]
          << " (0 Hz offset, plain chain)</text>\n";
        for (int k = 0; k <= 4; k++) {
            const double r = k / 4.0;
            o << "<line x1='" << x0 << "' x2='" << x0 + pw << "' y1='" << Y(r) << "' y2='" << Y(r)
              << "' stroke='#eee'/><text x='" << x0 - 30 << "' y='" << Y(r) + 4 << "'>" << k * 25 << "%</text>\n";
        }
        o << "<line x1='" << x0 << "' x2='" << x0 + pw << "' y1='" << Y(0.9) << "' y2='" << Y(0.9)
          << "' stroke='#bbb' stroke-dasharray='2,3'/>\n";
        for (double e = std::ceil(emin); e <= emax; e += 2)
            o << "<text x='" << X(e) - 6 << "' y='" << y0 + ph + 14 << "'>" << e << "</text>\n";
        o << "<text x='" << x0 + pw / 2 - 40 << "' y='" << y0 + ph + 28 << "'>Eb/N0 (dB)</text>\n";
        int ci = 0, legend = 0;
        for (const auto& [key, curve] : cs) {
            const auto& [set, mode, chain, off] = key;
            if (set != sets[si] || off != 0 || chain != "plain") continue;
            const char* col = colors[ci++ % 7];
            o << "<polyline fill='none' stroke='" << col << "' stroke-width='1.5' points='";
            for (const auto& [e, p] : curve) o << X(e) << "," << Y(decode_rate(*p)) << " ";
            o << "'/>\n";
            for (const auto& [e, p] : curve)
                o << "<circle r='2' fill='" << col << "' cx='" << X(e) << "' cy='" << Y(decode_rate(*p)) << "'/>";
            o << "\n<text x='" << x0 + pw - 130 << "' y='" << y0 + ph - 50 + 13 * legend++ << "' fill='" << col << "'>"
              << mode << "</text>\n";
        }
        auto r = ref.find(sets[si]);
        if (r != ref.end()) {
            o << "<polyline fill='none' stroke='black' stroke-dasharray='5,4' points='";
            for (const auto& [e, v] : r->second)
                if (e >= emin && e <= emax) o << X(e) << "," << Y(v) << " ";
            o << "'/>\n<text x='" << x0 + pw - 130 << "' y='" << y0 + ph - 50 + 13 * legend
              << "'>reference (dashed)</text>\n";
        }
    }
    o << "</svg>\n";
    return o.str();
}

}  // namespace sens
