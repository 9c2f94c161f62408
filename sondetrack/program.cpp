#include "sondetrack/program.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "io/line_out.h"
#include "sondetrack/line_splitter.h"
#include "sondetrack/output_file.h"
#include "sondetrack/track_documents.h"
#include "sondetrack/tracker.h"

namespace sondetrack {

namespace {

constexpr std::size_t kBlock = 1 << 16;

struct Run {
    const Options& o;
    const std::string& creator;
    const RunIo& io;
    Tracker tracker;
    std::vector<char> block = std::vector<char>(kBlock);
    long overlong = 0;
    bool output_failed = false;
};

void message(const RunIo& io, const std::string& text) {
    const std::string line = "sondetrack: " + text + "\n";
    sonde::write_all(io.err_fd, line.data(), line.size());
}

std::string document(Run& r) {
    return r.o.format == Format::kml ? kml_document(r.tracker.set) : gpx_document(r.tracker.set, r.creator);
}

bool write_output(Run& r) {
    if (r.output_failed) return false;
    std::string error;
    if (!replace_file(r.o.out_path, document(r), error)) {
        message(r.io, error);
        r.output_failed = true;
        return false;
    }
    return true;
}

// Reads one input to its end. With --live the output is rewritten whenever
// new points have arrived and the next read may wait: in a live stream
// that is after every point, while a file already on disk is not
// rewritten once per line.
bool read_input(Run& r, int fd, const std::string& name) {
    LineSplitter s;
    bool added = false;
    const auto on_line = [&](std::string_view line) { added |= tracker_line(r.tracker, line, name); };
    for (;;) {
        const ssize_t n = read(fd, r.block.data(), r.block.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            message(r.io, "cannot read " + name + ": " + std::strerror(errno));
            finish_lines(s, on_line);
            r.overlong += s.overlong_lines;
            return false;
        }
        if (n == 0) break;
        split_lines(s, std::string_view(r.block.data(), static_cast<std::size_t>(n)), on_line);
        if (r.o.live && added) {
            write_output(r);
            added = false;
        }
    }
    finish_lines(s, on_line);
    if (r.o.live && added) write_output(r);
    r.overlong += s.overlong_lines;
    return true;
}

}  // namespace

int sondetrack_run(const Options& o, const std::string& creator, const RunIo& io) {
    Run r{o, creator, io, Tracker{}};
    r.tracker.start_date = o.date;
    int status = kExitOk;
    // A live map finds a valid (empty) document before the first point.
    if (o.live && !write_output(r)) return kExitTrouble;

    std::vector<std::string> inputs = o.inputs;
    if (inputs.empty()) inputs.push_back("-");
    r.tracker.name_inputs = inputs.size() > 1;
    for (const std::string& name : inputs) {
        if (name == "-") {
            if (!read_input(r, io.in_fd, "standard input")) status = kExitTrouble;
            continue;
        }
        const int fd = open(name.c_str(), O_RDONLY);
        if (fd < 0) {
            message(io, "cannot open " + name + ": " + std::strerror(errno));
            status = kExitTrouble;
            continue;
        }
        if (!read_input(r, fd, name)) status = kExitTrouble;
        close(fd);
    }

    const long bad = r.tracker.bad_lines + r.overlong;
    if (bad > 0)
        message(io, "skipped " + std::to_string(bad) + (bad == 1 ? " line that was" : " lines that were") +
                        " not JSON or had no lat, lon and alt");
    if (o.out_path.empty()) {
        const std::string doc = document(r);
        if (!sonde::write_all(io.out_fd, doc.data(), doc.size())) return kExitTrouble;
    } else if (!write_output(r)) {
        status = kExitTrouble;
    }
    return r.output_failed ? kExitTrouble : status;
}

}  // namespace sondetrack
