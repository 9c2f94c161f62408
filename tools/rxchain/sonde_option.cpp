#include "sonde_option.h"

#include <cmath>
#include <cstdlib>

#include "rx_chain.h"

namespace rxchain {

bool parse_number(std::string_view text, double& v) {
    if (text.empty() || text.size() > 64) return false;
    const std::string s(text);
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size() && std::isfinite(v);
}

bool parse_hz(std::string_view text, double& hz) {
    double scale = 1.0;
    if (!text.empty() && (text.back() == 'k' || text.back() == 'K' || text.back() == 'M')) {
        scale = text.back() == 'M' ? 1e6 : 1e3;
        text.remove_suffix(1);
    }
    double v = 0.0;
    if (!parse_number(text, v)) return false;
    hz = v * scale;
    return std::isfinite(hz);
}

bool parse_sonde_option(std::string_view text, SondeOption& entry, std::string& error) {
    entry = SondeOption{};
    std::size_t colon = text.find(':');
    entry.path = std::string(text.substr(0, colon));
    if (entry.path.empty()) {
        error = "no file name";
        return false;
    }
    while (colon != std::string_view::npos) {
        text.remove_prefix(colon + 1);
        colon = text.find(':');
        const std::string_view item = text.substr(0, colon);
        const std::size_t eq = item.find('=');
        if (eq == std::string_view::npos) {
            error.assign(item).append(" is no key=value");
            return false;
        }
        const std::string_view key = item.substr(0, eq), value = item.substr(eq + 1);
        bool ok = true;
        if (key == "kind") {
            ChainConfig probe;
            ok = chain_profile(value, probe);
            entry.kind = std::string(value);
        } else if (key == "ebn0") {
            ok = parse_number(value, entry.ebn0_db);
        } else if (key == "offset") {
            ok = parse_hz(value, entry.offset_hz);
        } else if (key == "drift") {
            ok = parse_number(value, entry.drift_hz_per_s);
        } else if (key == "start") {
            ok = parse_number(value, entry.start_s) && entry.start_s >= 0.0;
        } else if (key == "stop") {
            ok = parse_number(value, entry.stop_s) && entry.stop_s >= 0.0;
        } else {
            error.assign("unknown key ").append(key).append(" (kind, ebn0, offset, drift, start, stop)");
            return false;
        }
        if (!ok) {
            error.assign("bad value in ").append(item);
            return false;
        }
    }
    if (entry.stop_s <= entry.start_s) {
        error = "stop must come after start";
        return false;
    }
    return true;
}

}  // namespace rxchain
