#include "sondetrack/json_reader.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "format/json_writer.h"

namespace sondetrack {

namespace {

bool digits(std::string_view s, std::size_t pos, std::size_t n, int& value) {
    if (pos + n > s.size()) return false;
    value = 0;
    for (std::size_t i = pos; i < pos + n; i++) {
        if (s[i] < '0' || s[i] > '9') return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A finite number stored under key, or false.
bool number(const nlohmann::json& j, const char* key, double& out) {
    auto it = j.find(key);
    if (it == j.end() || !it->is_number()) return false;
    out = it->get<double>();
    return std::isfinite(out);
}

}  // namespace

bool valid_date(std::string_view s) {
    int y = 0, m = 0, d = 0;
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
    if (!digits(s, 0, 4, y) || !digits(s, 5, 2, m) || !digits(s, 8, 2, d)) return false;
    return y >= 1 && sonde::is_calendar_time(y, m, d, 0, 0, 0);
}

bool valid_clock(std::string_view s) {
    int h = 0, m = 0, sec = 0;
    if (s.size() != 8 || s[2] != ':' || s[5] != ':') return false;
    if (!digits(s, 0, 2, h) || !digits(s, 3, 2, m) || !digits(s, 6, 2, sec)) return false;
    return h < 24 && m < 60 && sec < 60;
}

bool valid_utc_datetime(std::string_view s) {
    if (s.size() < 20 || s[10] != 'T' || s.back() != 'Z') return false;
    if (!valid_date(s.substr(0, 10)) || !valid_clock(s.substr(11, 8))) return false;
    std::string_view frac = s.substr(19, s.size() - 20);
    if (frac.empty()) return true;
    if (frac.size() < 2 || frac[0] != '.') return false;
    int unused = 0;
    for (std::size_t i = 1; i < frac.size(); i++)
        if (!digits(frac, i, 1, unused)) return false;
    return true;
}

LineFix read_json_line(std::string_view line) {
    LineFix r;
    std::size_t i = 0;
    while (i < line.size() && is_space(line[i])) i++;
    if (i == line.size()) return r;

    r.kind = LineKind::bad;
    const nlohmann::json j = nlohmann::json::parse(line.begin(), line.end(), nullptr, false);
    if (!j.is_object()) return r;

    auto ok = j.find("ok");
    if (ok == j.end() || !ok->is_boolean() || !ok->get<bool>()) {
        r.kind = LineKind::ignored;
        return r;
    }
    if (!number(j, "lat", r.fix.lat) || !number(j, "lon", r.fix.lon) || !number(j, "alt", r.fix.alt)) return r;
    if (std::fabs(r.fix.lat) > 90.0 || std::fabs(r.fix.lon) > 180.0) return r;

    auto id = j.find("id");
    auto decoder = j.find("decoder");
    if (decoder != j.end() && decoder->is_string()) r.decoder = decoder->get<std::string>();
    if (id != j.end() && id->is_string() && !id->get_ref<const std::string&>().empty())
        r.track = id->get<std::string>();
    else if (id != j.end() && id->is_number_integer())
        r.track = id->dump();
    r.has_serial = !r.track.empty();
    if (!r.has_serial) r.track = r.decoder.empty() ? "sonde" : r.decoder;
    if (number(j, "freq_hz", r.carrier_hz))
        r.carrier = CarrierKey::frequency;
    else if (number(j, "offset_hz", r.carrier_hz))
        r.carrier = CarrierKey::offset;

    auto dt = j.find("datetime");
    if (dt != j.end() && dt->is_string() && valid_utc_datetime(dt->get_ref<const std::string&>()))
        r.fix.time = dt->get<std::string>();
    auto clock = j.find("time");
    if (r.fix.time.empty() && clock != j.end() && clock->is_string() &&
        valid_clock(clock->get_ref<const std::string&>()))
        r.clock = clock->get<std::string>();
    r.kind = LineKind::fix;
    return r;
}

}  // namespace sondetrack
