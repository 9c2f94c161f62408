// Cuts a byte stream that arrives in blocks of any size into lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sondetrack {

// No decoder writes a line near this long; longer ones are dropped whole
// (and counted) instead of growing the buffer without end.
constexpr std::size_t kMaxLineLength = 1 << 20;

struct LineSplitter {
    std::string pending;    // the start of a line whose end has not arrived
    bool overlong = false;  // the current line passed kMaxLineLength
    long overlong_lines = 0;
};

// Calls on_line(std::string_view) for every line completed by data (without
// its '\n'); keeps the unfinished rest.
template <class OnLine>
void split_lines(LineSplitter& s, std::string_view data, OnLine&& on_line) {
    while (!data.empty()) {
        const std::size_t nl = data.find('\n');
        const std::string_view part = data.substr(0, nl);
        if (!s.overlong && s.pending.size() + part.size() > kMaxLineLength) {
            s.overlong = true;
            s.pending.clear();
            s.pending.shrink_to_fit();
        }
        if (nl == std::string_view::npos) {
            if (!s.overlong) s.pending.append(part);
            return;
        }
        if (s.overlong) {
            s.overlong_lines++;
            s.overlong = false;
        } else if (s.pending.empty()) {
            on_line(part);
        } else {
            s.pending.append(part);
            on_line(std::string_view(s.pending));
            s.pending.clear();
        }
        data.remove_prefix(nl + 1);
    }
}

// The end of the stream: a last line without '\n' still counts.
template <class OnLine>
void finish_lines(LineSplitter& s, OnLine&& on_line) {
    if (s.overlong)
        s.overlong_lines++;
    else if (!s.pending.empty())
        on_line(std::string_view(s.pending));
    s.pending.clear();
    s.overlong = false;
}

}  // namespace sondetrack
