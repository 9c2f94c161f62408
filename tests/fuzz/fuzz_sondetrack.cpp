// Fuzz target: sondetrack's reader on arbitrary bytes. The first byte sets
// the run: bit 0 gives a --date, bits 1-7 the size of the blocks the stream
// arrives in (lines cut anywhere). When the first line after it starts with
// '-', it is read as a command line (words split at spaces) instead. Every
// line goes through the JSON reader and the tracks; both documents are made.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sondetrack/line_splitter.h"
#include "sondetrack/options.h"
#include "sondetrack/track_documents.h"
#include "sondetrack/tracker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace sondetrack;
    if (size < 1) return 0;
    const uint8_t settings = data[0];
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);

    if (!rest.empty() && rest[0] == '-') {
        const std::string_view first = rest.substr(0, rest.find('\n'));
        std::vector<std::string> args;
        for (std::size_t p = 0; p <= first.size();) {
            const std::size_t space = std::min(first.find(' ', p), first.size());
            args.emplace_back(first.substr(p, space - p));
            p = space + 1;
        }
        Options o;
        std::string error;
        if (parse_options(args, o, error) != error.empty()) __builtin_trap();
        return 0;
    }

    Tracker t;
    if (settings & 1) t.start_date = "2024-12-31";
    LineSplitter s;
    const auto on_line = [&](std::string_view line) { tracker_line(t, line); };
    const std::size_t block = (settings >> 1) + 1;
    for (std::size_t p = 0; p < rest.size(); p += block) split_lines(s, rest.substr(p, block), on_line);
    finish_lines(s, on_line);
    for (const Track& track : t.set.tracks)
        if (track.points.empty() || highest_point(track) >= track.points.size()) __builtin_trap();
    const std::string gpx = gpx_document(t.set, "sondetrack");
    const std::string kml = kml_document(t.set);
    if (gpx.empty() || kml.empty()) __builtin_trap();
    return 0;
}
