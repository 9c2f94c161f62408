#include "sondetrack/options.h"

#include "sondetrack/json_reader.h"

namespace sondetrack {

const char* help_text() {
    return "usage: sondetrack [--gpx | --kml] [-o FILE [--live]] [--date YYYY-MM-DD] [FILE...]\n"
           "  reads the JSON Lines that vardo, pelkin, ostrel and sonderx write, from the files or standard input;\n"
           "  tracks: one per kind and serial (\"312-A-10837\"); for kinds without a serial one per carrier\n"
           "  within 5 kHz (\"pelkin 403.000 MHz\", \"ostrel +25.0 kHz\"), else one per kind (\"pelkin\", or\n"
           "  \"pelkin (a.json)\" for each of several inputs)\n"
           "  --gpx              GPX 1.1, one track per sonde (the default)\n"
           "  --kml              KML 2.2: flight line, first fix, burst (after a fall of 100 m) and last fix per "
           "sonde\n"
           "  -o FILE            write to FILE (by a temporary file and a rename) instead of standard output\n"
           "  --live             with -o: rewrite FILE after every new point\n"
           "  --date YYYY-MM-DD  day of the first ostrel packet (its packets carry a time of day only)\n"
           "  -h, --help         this text on standard output, exit 0\n"
           "  --version          the version on standard output, exit 0\n";
}

bool parse_options(const std::vector<std::string>& args, Options& o, std::string& error) {
    bool options_end = false;
    for (std::size_t i = 0; i < args.size(); i++) {
        const std::string& a = args[i];
        const bool has_value = i + 1 < args.size();
        if (options_end || a == "-" || a.empty() || a[0] != '-') {
            o.inputs.push_back(a);
        } else if (a == "--") {
            options_end = true;
        } else if (a == "--gpx") {
            o.format = Format::gpx;
        } else if (a == "--kml") {
            o.format = Format::kml;
        } else if (a == "-o" && has_value) {
            o.out_path = args[++i];
            if (o.out_path.empty()) {
                error = "-o needs a file name";
                return false;
            }
        } else if (a == "--live") {
            o.live = true;
        } else if (a == "--date" && has_value) {
            o.date = args[++i];
            if (!valid_date(o.date)) {
                error = "--date takes a calendar date as YYYY-MM-DD, not '" + o.date + "'";
                return false;
            }
        } else if (a == "-h" || a == "--help") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "-o" || a == "--date") {
            error = a + " needs a value";
            return false;
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    if (o.live && o.out_path.empty() && !o.help && !o.version) {
        error = "--live needs -o FILE";
        return false;
    }
    return true;
}

}  // namespace sondetrack
