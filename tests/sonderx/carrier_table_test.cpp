// sonderx --iq's table of carriers on standard error: a capture of two
// sondes (rxchain --mix) gives one row each, at its frequency, with its
// kind, its serial where the kind has one and its frames; --status repeats
// the table during the run, -q leaves out the summary's.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "sonderx_recordings.h"
#include "synth/wav_writer.h"

namespace {

struct TableRow {
    double mhz = 0.0;
    std::string kind, serial;
    long good = 0, bad = 0;
};

// The rows of the last table in err.
std::vector<TableRow> last_table(const std::string& err) {
    std::vector<TableRow> rows;
    std::istringstream in(err);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("  MHz ", 0) == 0) {
            rows.clear();
            continue;
        }
        std::istringstream words(line);
        TableRow r;
        if (words >> r.mhz >> r.kind >> r.serial >> r.good >> r.bad) rows.push_back(r);
    }
    return rows;
}

int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
    return n;
}

struct Carrier {
    const char* kind;
    double mhz;
    bool serial;
    int least_good;
};

struct TableCase {
    const char* name;
    std::vector<std::string> options;
    bool final_table;
    int least_status_tables;
};

void PrintTo(const TableCase& c, std::ostream* os) { *os << c.name; }

class CarrierTables : public ::testing::TestWithParam<TableCase> {};

TEST_P(CarrierTables, OneRowPerSondeWithItsKindSerialAndFrames) {
    const TableCase& c = GetParam();
    TempDir dir;
    write_file(dir.file("v.wav"), wav_image(sent_frames("vardo", 10).audio, 48000));
    write_file(dir.file("p.wav"), wav_image(sent_frames("pelkin", 10).audio, 48000));
    const ProcessResult made =
        run_program(RXCHAIN_EXE, {"--mix", "--sonde", dir.file("v.wav") + ":kind=vardo:ebn0=16:offset=30k", "--sonde",
                                  dir.file("p.wav") + ":kind=pelkin:ebn0=18:offset=-60k", "--seed", "5", "--iq-out",
                                  "u8", "--iq-rate", "250k", "-o", dir.file("c.u8")});
    ASSERT_EQ(made.status, 0) << made.err;
    std::vector<std::string> args = {"--iq", "u8", "--rate", "250k", "--center", "403M", "--csv"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(dir.file("c.u8"));
    const ProcessResult r = run_program(SONDERX_EXE, args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_GE(count_of(r.err, "sonderx: carriers after "), c.least_status_tables) << r.err;
    EXPECT_EQ(count_of(r.err, "  MHz "), count_of(r.err, "sonderx: carriers after ") + (c.final_table ? 1 : 0))
        << r.err;
    const std::vector<TableRow> rows = last_table(r.err);
    const Carrier expected[] = {{"vardo", 403.030, true, 7}, {"pelkin", 402.940, false, 7}};
    ASSERT_EQ(rows.size(), std::size(expected)) << r.err;
    for (const Carrier& e : expected) {
        bool found = false;
        for (const TableRow& row : rows) {
            if (std::abs(row.mhz - e.mhz) > 0.002) continue;
            found = true;
            EXPECT_EQ(row.kind, e.kind) << r.err;
            EXPECT_EQ(row.serial != "-", e.serial) << r.err;
            EXPECT_GE(row.good, e.least_good) << r.err;
            EXPECT_LE(row.bad, 2) << r.err;
        }
        EXPECT_TRUE(found) << e.kind << " at " << e.mhz << " MHz:\n" << r.err;
    }
}

const TableCase kTables[] = {
    {"AtTheEnd", {}, true, 0},
    {"EverySecond", {"--status", "1"}, true, 3},
    {"QuietKeepsOnlyTheStatus", {"-q", "--status", "1"}, false, 3},
};

INSTANTIATE_TEST_SUITE_P(Sonderx, CarrierTables, ::testing::ValuesIn(kTables),
                         [](const auto& i) { return std::string(i.param.name); });

// The vardo falls silent at about 8 s, its channel closes 30 s later; the
// pelkin starts at 45 s: two rows, the first marked gone.
TEST(CarrierTables, ARowOutlivesItsChannel) {
    TempDir dir;
    write_file(dir.file("v.wav"), wav_image(sent_frames("vardo", 8).audio, 48000));
    write_file(dir.file("p.wav"), wav_image(sent_frames("pelkin", 8).audio, 48000));
    const ProcessResult made =
        run_program(RXCHAIN_EXE, {"--mix", "--sonde", dir.file("v.wav") + ":kind=vardo:ebn0=16:offset=30k", "--sonde",
                                  dir.file("p.wav") + ":kind=pelkin:ebn0=18:offset=-60k:start=45", "--seed", "3",
                                  "--iq-out", "u8", "--iq-rate", "250k", "-o", dir.file("c.u8")});
    ASSERT_EQ(made.status, 0) << made.err;
    const ProcessResult r = run_program(SONDERX_EXE, {"--iq", "u8", "--rate", "250k", "--csv", dir.file("c.u8")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::size_t table = r.err.find("  kHz ");
    ASSERT_NE(table, std::string::npos) << r.err;
    const std::string rows = r.err.substr(table);
    EXPECT_EQ(count_of(rows, "\n"), 3) << r.err;
    EXPECT_NE(rows.find("+30.0         vardo"), std::string::npos) << r.err;
    EXPECT_NE(rows.find(" pelkin "), std::string::npos) << r.err;
    EXPECT_EQ(count_of(rows, "(gone)"), 1) << r.err;
    EXPECT_LT(rows.find("(gone)"), rows.find("pelkin")) << r.err;
}

}  // namespace
