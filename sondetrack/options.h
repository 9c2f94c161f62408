// sondetrack's command line.
#pragma once

#include <string>
#include <vector>

namespace sondetrack {

enum class Format { gpx, kml };

struct Options {
    Format format = Format::gpx;
    std::string out_path;             // empty: standard output
    bool live = false;                // rewrite out_path after every new point
    std::string date;                 // YYYY-MM-DD for frames with a time of day only
    std::vector<std::string> inputs;  // empty: standard input; "-" is standard input too
    bool help = false;
    bool version = false;
};

// False with a message in error for an unknown option, a missing or bad
// value, or --live without -o.
bool parse_options(const std::vector<std::string>& args, Options& o, std::string& error);

// The help text, one line per option.
const char* help_text();

}  // namespace sondetrack
