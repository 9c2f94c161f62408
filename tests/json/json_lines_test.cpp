// --json end to end: recordings from the synthesizers, every line parsed
// with nlohmann::json and held against the CSV line of the same frame; the
// -g and -r rules; no empty line in the stream.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/run_program.h"

using nlohmann::json;

namespace {

std::string synth(const std::string& exe, std::vector<std::string> args) {
    args.push_back("-o");
    args.push_back("-");
    ProcessResult r = run_program(exe, args);
    EXPECT_EQ(r.status, 0) << exe;
    return r.out;
}

std::string decode(const std::string& exe, const std::vector<std::string>& args, const std::string& wav) {
    ProcessResult r = run_program(exe, args, wav);
    EXPECT_EQ(r.status, 0) << exe;
    return r.out;
}

std::vector<std::string> lines_of(const std::string& s) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); i++) {
        if (s[i] != '\n') continue;
        out.push_back(s.substr(start, i - start));
        start = i + 1;
    }
    EXPECT_EQ(start, s.size()) << "unterminated last line";
    return out;
}

// A JSON Lines stream: every line one object, no empty line anywhere.
std::vector<json> json_lines(const std::string& s) {
    std::vector<json> out;
    for (const std::string& l : lines_of(s)) {
        EXPECT_FALSE(l.empty()) << "empty line in a JSON Lines stream";
        if (l.empty()) continue;
        json j = json::parse(l, nullptr, false);
        EXPECT_TRUE(j.is_object()) << l;
        out.push_back(j);
    }
    return out;
}

// The CSV lines without the final empty line, split at the commas.
std::vector<std::vector<std::string>> csv_rows(const std::string& s) {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& l : lines_of(s)) {
        if (l.empty()) continue;
        std::vector<std::string> f;
        std::size_t start = 0, c;
        while ((c = l.find(',', start)) != std::string::npos) {
            f.push_back(l.substr(start, c - start));
            start = c + 1;
        }
        f.push_back(l.substr(start));
        rows.push_back(f);
    }
    return rows;
}

std::string fixed(double v, int decimals) {
    char s[64];
    std::snprintf(s, sizeof s, "%.*f", decimals, v);
    return s;
}

// What the JSON line of a vardo or pelkin frame shares with its CSV row:
// date and time, position and velocity to the CSV's decimals, the mark.
void expect_report_columns(const json& j, const std::vector<std::string>& f) {
    EXPECT_EQ(j["datetime"], f[2] + "T" + f[3] + "Z");
    EXPECT_EQ(fixed(j["lat"], 5), f[4]);
    EXPECT_EQ(fixed(j["lon"], 5), f[5]);
    EXPECT_EQ(fixed(j["alt"], 2), f[6]);
    EXPECT_EQ(fixed(j["vel_h"], 1), f[7]);
    EXPECT_EQ(fixed(j["heading"], 1), f[8]);
    EXPECT_EQ(fixed(j["vel_v"], 1), f[9]);
    EXPECT_EQ(j["ok"].get<bool>(), f[10] == "OK");
}

std::string lower_hex(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == ' ') continue;
        out += static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    }
    return out;
}

std::vector<std::string> hex_lines(const std::string& out) {
    std::vector<std::string> v;
    for (const std::string& l : lines_of(out))
        if (!l.empty()) v.push_back(l);
    return v;
}

const std::string kVardo = VARDO_EXE, kPelkin = PELKIN_EXE, kOstrel = OSTREL_EXE;

}  // namespace

TEST(JsonLines, VardoMatchesTheCsvLineOfEachFrame) {
    // The first capture is bad; from the second frame on every frame jumps
    // 5 degrees: checks good, reports bad.
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--frames", "4"},
             {"--type", "2", "--len70", "--frames", "3", "--lat", "-33.9", "--lon", "-70.6"},
             {"--frames", "3", "--dlat", "5"}}) {
        const std::string wav = synth(VARDO_SYNTH_EXE, args);
        const auto js = json_lines(decode(kVardo, {"--json"}, wav));
        const auto rows = csv_rows(decode(kVardo, {"--csv"}, wav));
        ASSERT_EQ(js.size(), rows.size());
        ASSERT_GE(js.size(), 3u);
        for (std::size_t k = 0; k < js.size(); k++) {
            const json& j = js[k];
            const auto& f = rows[k];
            EXPECT_EQ(j["decoder"], "vardo");
            EXPECT_EQ(fixed(j["frame"].get<int>(), 0), std::to_string(std::stoi(f[0])));
            std::string id = j["id"];
            std::erase(id, '-');
            EXPECT_EQ(std::to_string(j["frame_type"].get<int>()) + id, f[1]);
            expect_report_columns(j, f);
            EXPECT_EQ(j["check_ok"].get<bool>(), j["crc"] == j["crc_calc"]);
            EXPECT_FALSE(j.contains("raw"));
        }
        EXPECT_FALSE(js[0]["ok"].get<bool>());  // the first capture
    }
}

TEST(JsonLines, VardoJumpIsACheckGoodButReportBadFrame) {
    const std::string wav = synth(VARDO_SYNTH_EXE, {"--frames", "3", "--dlat", "5"});
    const auto js = json_lines(decode(kVardo, {"--json"}, wav));
    ASSERT_EQ(js.size(), 3u);
    EXPECT_TRUE(js[1]["check_ok"].get<bool>());
    EXPECT_FALSE(js[1]["ok"].get<bool>());
    // With -g the bad first capture never reaches the filter: the second
    // frame seeds it and the third jumps.
    const auto good = json_lines(decode(kVardo, {"--json", "-g"}, wav));
    ASSERT_EQ(good.size(), 1u);
    EXPECT_EQ(good[0]["frame"], 1);
}

TEST(JsonLines, VardoGoodOnlyAndRawBytes) {
    const std::string wav = synth(VARDO_SYNTH_EXE, {"--frames", "4", "--ntc", "2048"});
    const auto all = json_lines(decode(kVardo, {"--json"}, wav));
    const auto good = json_lines(decode(kVardo, {"--json", "-g"}, wav));
    ASSERT_EQ(all.size(), 4u);
    ASSERT_EQ(good.size(), 3u);
    for (std::size_t k = 0; k < good.size(); k++) {
        EXPECT_EQ(good[k], all[k + 1]);
        EXPECT_TRUE(good[k]["ok"].get<bool>());
        EXPECT_EQ(good[k]["type_bytes"], "649f");
        EXPECT_EQ(fixed(good[k]["temp"], 1), "-22.3");  // with or without -vv
    }
    const auto raw = json_lines(decode(kVardo, {"--json", "-r"}, wav));
    const auto hex = hex_lines(decode(kVardo, {"-r"}, wav));
    ASSERT_EQ(raw.size(), hex.size());
    for (std::size_t k = 0; k < raw.size(); k++) EXPECT_EQ(raw[k]["raw"], lower_hex(hex[k]));
}

TEST(JsonLines, PelkinMatchesTheCsvLineAndKeepsGoodFramesOnlyWithG) {
    const std::string wav = synth(PELKIN_SYNTH_EXE, {"--frames", "3", "--lat", "-12.5", "--lon", "-77.25"});
    const auto js = json_lines(decode(kPelkin, {"--json"}, wav));
    const auto rows = csv_rows(decode(kPelkin, {"--csv"}, wav));
    ASSERT_EQ(js.size(), 3u);
    ASSERT_EQ(rows.size(), 3u);
    for (std::size_t k = 0; k < js.size(); k++) {
        const json& j = js[k];
        const auto& f = rows[k];
        EXPECT_EQ(j["decoder"], "pelkin");
        expect_report_columns(j, f);
        EXPECT_EQ(j["sats"], 7);  // without -v too
        EXPECT_EQ(j["fix"], 3);
    }
    EXPECT_EQ(js[0]["lat"], -12.5);
    EXPECT_EQ(js[0]["datetime"], "2026-12-06T12:34:56.789Z");
    EXPECT_EQ(json_lines(decode(kPelkin, {"--json", "-g"}, wav)), js);

    // Bad CRCs: the CSV writes them whatever -g says; JSON drops them.
    const std::string bad = synth(PELKIN_SYNTH_EXE, {"--frames", "2", "--bad-crc"});
    EXPECT_EQ(csv_rows(decode(kPelkin, {"--csv", "-g"}, bad)).size(), 2u);
    const auto bad_js = json_lines(decode(kPelkin, {"--json"}, bad));
    ASSERT_EQ(bad_js.size(), 2u);
    EXPECT_FALSE(bad_js[0]["ok"].get<bool>());
    EXPECT_NE(bad_js[0]["crc"], bad_js[0]["crc_calc"]);
    EXPECT_TRUE(json_lines(decode(kPelkin, {"--json", "-g"}, bad)).empty());
}

TEST(JsonLines, PelkinRawIsTheWholeFrame) {
    const std::string wav = synth(PELKIN_SYNTH_EXE, {"--frames", "2"});
    const auto raw = json_lines(decode(kPelkin, {"--json", "-r"}, wav));
    const auto hex = hex_lines(decode(kPelkin, {"-r"}, wav));
    ASSERT_EQ(raw.size(), 2u);
    ASSERT_EQ(hex.size(), 2u);
    for (std::size_t k = 0; k < raw.size(); k++) {
        const std::string r = raw[k]["raw"];
        ASSERT_EQ(r.size(), 100u);
        EXPECT_EQ(r.substr(0, 6), "aaaaaa");
        // The hexadecimal line: bytes 3..47, then the stored CRC, then "# " and the computed one.
        const std::string h = lower_hex(hex[k]);
        EXPECT_EQ(r.substr(6), h.substr(0, 94));
        EXPECT_EQ(raw[k]["crc"], r.substr(96));
    }
}

TEST(JsonLines, OstrelGpsPacketsAndWithRawTheOthers) {
    const std::string wav = synth(OSTREL_SYNTH_EXE, {"--frames", "3", "--lat", "-34.61", "--bad-crc", "2"});
    const auto js = json_lines(decode(kOstrel, {"--json"}, wav));
    const auto rows = csv_rows(decode(kOstrel, {"--csv"}, wav));
    ASSERT_EQ(js.size(), 3u);
    ASSERT_EQ(rows.size(), 3u);
    for (std::size_t k = 0; k < js.size(); k++) {
        const json& j = js[k];
        const auto& f = rows[k];
        EXPECT_EQ(j["decoder"], "ostrel");
        EXPECT_EQ(j["time"], f[3]);
        EXPECT_EQ(fixed(j["lat"].get<float>(), 6), f[4]);
        EXPECT_EQ(fixed(j["lon"].get<float>(), 6), f[5]);
        EXPECT_EQ(std::to_string(j["alt"].get<int>()), f[6]);
        EXPECT_EQ(j["ok"].get<bool>(), f[10] == "OK");
    }
    EXPECT_EQ(js[0]["lat"].dump(), "-34.61");  // the float's shortest form
    EXPECT_FALSE(js[1]["ok"].get<bool>());

    const auto raw = json_lines(decode(kOstrel, {"--json", "-r"}, wav));
    const auto text = hex_lines(decode(kOstrel, {"-r"}, wav));
    ASSERT_EQ(raw.size(), 3u);
    for (std::size_t k = 0; k < raw.size(); k++) EXPECT_EQ(raw[k]["raw"], lower_hex(text[2 * k]));

    const std::string other = synth(OSTREL_SYNTH_EXE, {"--frames", "2", "--type", "5"});
    EXPECT_TRUE(json_lines(decode(kOstrel, {"--json"}, other)).empty());
    const auto others = json_lines(decode(kOstrel, {"--json", "-r"}, other));
    const auto other_hex = hex_lines(decode(kOstrel, {"-r"}, other));
    ASSERT_EQ(others.size(), 2u);
    for (std::size_t k = 0; k < others.size(); k++) {
        EXPECT_EQ(others[k].size(), 3u);
        EXPECT_EQ(others[k]["packet_type"], 5);
        EXPECT_EQ(others[k]["raw"], lower_hex(other_hex[k]));
    }
}

TEST(JsonLines, DumpsStayAndNothingIsWrittenForNoFrames) {
    const std::string wav = synth(OSTREL_SYNTH_EXE, {"--frames", "1"});
    // The bit dump as it was, without the empty line at the end.
    EXPECT_EQ(decode(kOstrel, {"--json", "--rawbits"}, wav) + "\n", decode(kOstrel, {"--rawbits"}, wav));
    const std::string silence = synth(VARDO_SYNTH_EXE, {"--frames", "0"});
    EXPECT_EQ(decode(kVardo, {"--json"}, silence), "");
}
