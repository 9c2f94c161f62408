#include "frame_match.h"

#include <cctype>
#include <unordered_map>

namespace sens {

namespace {

std::vector<std::string_view> split_lines(std::string_view s) {
    std::vector<std::string_view> lines;
    while (!s.empty()) {
        const std::size_t e = s.find('\n');
        lines.push_back(s.substr(0, e));
        if (e == std::string_view::npos) break;
        s.remove_prefix(e + 1);
    }
    return lines;
}

std::vector<std::string_view> split_words(std::string_view s) {
    std::vector<std::string_view> w;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) i++;
        std::size_t j = i;
        while (j < s.size() && !std::isspace(static_cast<unsigned char>(s[j]))) j++;
        if (j > i) w.push_back(s.substr(i, j - i));
        i = j;
    }
    return w;
}

bool is_hex(std::string_view w) {
    if (w.empty()) return false;
    for (char c : w)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

// One decoded frame: its content key and whether the decoder marked it good.
struct Line {
    std::string key;
    bool good;
};

std::vector<Line> parse_output(Program p, std::string_view output) {
    std::vector<Line> out;
    const std::vector<std::string_view> lines = split_lines(output);
    for (std::size_t i = 0; i < lines.size(); i++) {
        const std::vector<std::string_view> w = split_words(lines[i]);
        if (w.empty()) continue;
        if (p == Program::vardo) {
            // HEX # CHECK [OK]
            if (!is_hex(w[0])) continue;
            out.push_back({upper(w[0]), w.back() == "[OK]"});
        } else if (p == Program::pelkin) {
            // 45 bytes, the stored CRC, '#', the computed CRC
            if (w.size() != 48 || w[46] != "#") continue;
            std::string key;
            for (std::size_t k = 0; k < 46; k++) key += w[k];
            out.push_back({upper(key), upper(w[45]) == upper(w[47])});
        } else {
            // A line of bytes; for a GPS packet the next line ends in [OK] or [NO].
            if (w.size() < 18 || w[0].size() != 2 || !is_hex(w[0])) continue;
            std::string key;
            for (std::size_t k = 0; k < 18; k++) key += w[k];
            bool good = false;
            if (i + 1 < lines.size() && !lines[i + 1].empty() && lines[i + 1][0] == '(') {
                good = split_words(lines[i + 1]).back() == "[OK]";
                i++;
            }
            out.push_back({upper(key), good});
        }
    }
    return out;
}

}  // namespace

bool program_from_name(std::string_view name, Program& p) {
    if (name == "vardo")
        p = Program::vardo;
    else if (name == "pelkin")
        p = Program::pelkin;
    else if (name == "ostrel")
        p = Program::ostrel;
    else
        return false;
    return true;
}

std::string sent_key(Program p, std::string_view sent_hex) {
    std::string h = upper(sent_hex);
    while (!h.empty() && std::isspace(static_cast<unsigned char>(h.back()))) h.pop_back();
    if (p == Program::pelkin) return h.size() >= 100 ? h.substr(6, 94) : std::string();
    if (p == Program::ostrel) return h.size() >= 36 ? h.substr(0, 36) : std::string();
    return h;
}

Tally tally_frames(Program p, const std::vector<std::string>& sent, std::string_view output) {
    Tally t;
    std::unordered_map<std::string, bool> found;  // key -> decoded yet
    for (const std::string& s : sent) {
        const std::string k = sent_key(p, s);
        if (k.empty()) continue;
        t.sent++;
        found.emplace(k, false);
    }
    for (const Line& l : parse_output(p, output)) {
        if (!l.good) continue;
        t.good_lines++;
        auto it = found.find(l.key);
        if (it == found.end()) {
            t.false_good++;
        } else if (!it->second) {
            it->second = true;
            t.decoded++;
        }
    }
    return t;
}

}  // namespace sens
