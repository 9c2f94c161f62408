// Helper of bench/sensitivity:
//   sens tally PROGRAM SENT_FILE < decoder output   -> "sent decoded false good"
//   sens reference EBN0...                          -> "ebn0 p" per line: the bit error rate
//       of ideal non-coherent 1200/2200 Hz correlators with perfect timing through the AFSK chain
//   sens report POINTS_CSV REF_CSV OUT_PREFIX TITLE -> tables on standard output,
//       OUT_PREFIX.txt and OUT_PREFIX.svg
//   sens wideband KIND:OFFSET_HZ:REFERENCE_JSON... < sonderx --iq --json output
//       -> "kind offset sent decoded repeats" per sonde, then "false N other N"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "ber_measure.h"
#include "frame_match.h"
#include "sens_report.h"
#ifdef SENS_WIDEBAND
#include "wideband_match.h"
#endif

namespace {

std::string slurp(std::istream& in) {
    std::ostringstream o;
    o << in.rdbuf();
    return o.str();
}

bool read_text(const std::string& path, std::string& text) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    text = slurp(f);
    return true;
}

int tally(int argc, char** argv) {
    sens::Program p;
    std::string sent_text;
    if (argc != 4 || !sens::program_from_name(argv[2], p) || !read_text(argv[3], sent_text)) return 2;
    std::vector<std::string> sent;
    std::istringstream ss(sent_text);
    for (std::string l; std::getline(ss, l);)
        if (!l.empty()) sent.push_back(l);
    const std::string out = slurp(std::cin);
    const sens::Tally t = sens::tally_frames(p, sent, out);
    std::printf("%ld %ld %ld %ld\n", t.sent, t.decoded, t.false_good, t.good_lines);
    return 0;
}

int reference(int argc, char** argv) {
    for (int i = 2; i < argc; i++) {
        rxchain::ChainConfig c;
        rxchain::chain_profile("afsk", c);
        c.ebn0_db = std::atof(argv[i]);
        c.seed = 1000 + static_cast<uint64_t>(i);
        // Enough bits to see p near 1e-4 at the top of the grid.
        const rxchain::BerCount n =
            rxchain::measure_ber(c, rxchain::BerSignal::afsk, 1200, 300000, 77 + static_cast<uint64_t>(i));
        std::printf("%g %.6g %ld %ld\n", c.ebn0_db, n.rate(), n.errors, n.bits);
        std::fflush(stdout);
    }
    return 0;
}

int report(int argc, char** argv) {
    std::string csv, ref_csv;
    if (argc != 6 || !read_text(argv[2], csv)) return 2;
    const std::vector<sens::Point> pts = sens::read_points(csv);
    sens::Reference ref;
    for (const auto& p : pts) ref[p.set];
    for (auto& [set, curve] : ref) {
        if (set == "ostrel") continue;
        const int bits = set.rfind("vardo", 0) == 0 ? (set == "vardo68" ? 544 : set == "vardo70" ? 560 : 808) : 400;
        for (double e = 0; e <= 30.0001; e += 0.25) curve[e] = sens::ncfsk_frame_success(e, bits);
    }
    // The AFSK reference comes measured: "ebn0 p" lines; 180 bits per packet.
    if (read_text(argv[3], ref_csv)) {
        std::istringstream ss(ref_csv);
        double e, p;
        std::string rest;
        while (ss >> e >> p) {
            std::getline(ss, rest);
            ref["ostrel"][e] = std::pow(1.0 - p, 180);
        }
    }
    const std::string text = sens::report_text(pts, ref);
    std::fputs(text.c_str(), stdout);
    std::ofstream(std::string(argv[4]) + ".txt") << text;
    std::ofstream(std::string(argv[4]) + ".svg") << sens::report_svg(pts, ref, argv[5]);
    return 0;
}

#ifdef SENS_WIDEBAND
int wideband(int argc, char** argv) {
    std::vector<sens::WidebandSonde> sondes;
    for (int i = 2; i < argc; i++) {
        const std::string a = argv[i];
        const std::size_t c1 = a.find(':');
        const std::size_t c2 = c1 == std::string::npos ? c1 : a.find(':', c1 + 1);
        if (c2 == std::string::npos) return 2;
        sens::WidebandSonde s;
        s.kind = a.substr(0, c1);
        char* end = nullptr;
        const std::string off = a.substr(c1 + 1, c2 - c1 - 1);
        s.offset_hz = std::strtod(off.c_str(), &end);
        if (off.empty() || *end != '\0' || !read_text(a.substr(c2 + 1), s.reference)) return 2;
        sondes.push_back(std::move(s));
    }
    if (sondes.empty()) return 2;
    const sens::WidebandTally t = sens::tally_wideband(sondes, slurp(std::cin));
    for (std::size_t i = 0; i < sondes.size(); i++)
        std::printf("%s %.0f %ld %ld %ld\n", sondes[i].kind.c_str(), sondes[i].offset_hz, t.sondes[i].sent,
                    t.sondes[i].decoded, t.sondes[i].repeats);
    std::printf("false %ld other %ld\n", t.false_good, t.other);
    return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && !std::strcmp(argv[1], "tally")) return tally(argc, argv);
    if (argc >= 2 && !std::strcmp(argv[1], "reference")) return reference(argc, argv);
    if (argc >= 2 && !std::strcmp(argv[1], "report")) return report(argc, argv);
#ifdef SENS_WIDEBAND
    if (argc >= 2 && !std::strcmp(argv[1], "wideband")) return wideband(argc, argv);
#endif
    std::fputs(
        "usage: sens tally PROGRAM SENT | sens reference EBN0... | sens report CSV REF PREFIX TITLE\n"
        "       sens wideband KIND:OFFSET_HZ:REFERENCE_JSON... < sonderx-output.json\n",
        stderr);
    return 2;
}
