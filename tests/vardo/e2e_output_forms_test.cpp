// Every output form of the decoder on clean recordings, compared byte for
// byte with lines computed from the encoded field values.
#include <gtest/gtest.h>

#include "vardo_e2e_support.h"

namespace {

struct FormCase {
    std::vector<std::string> args;
    OutputForm form;
};

void expect_forms(int type, bool len70) {
    const auto frames = flight(type, 4, len70);
    const std::string wav = recording(frames);
    const FormCase cases[] = {
        {{}, {0, false, false}},
        {{"-v"}, {1, false, false}},
        {{"--verbose"}, {1, false, false}},
        {{"-vv"}, {2, false, false}},
        {{"-vv", "-v"}, {1, false, false}},  // the last of -v and -vv counts
        {{"-v", "-vv"}, {2, false, false}},
        {{"-c"}, {0, true, false}},
        {{"--color", "-v"}, {1, true, false}},
        {{"-c", "-vv"}, {2, true, false}},
        {{"--csv"}, {0, false, true}},
        {{"--csv", "-vv"}, {2, false, true}},
        {{"--csv", "-c", "-v"}, {1, true, false}},  // colour wins
    };
    for (const FormCase& c : cases) {
        ProcessResult r = run_vardo(c.args, wav);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, expect_run(frames, c.form)) << "args " << (c.args.empty() ? "" : c.args[0]);
        EXPECT_EQ(r.err, header_lines(48000, 16, 1));
    }
}

}  // namespace

TEST(OutputForms, LongFrameReportLines) { expect_forms(1, false); }
TEST(OutputForms, ShortFrameReportLines) { expect_forms(2, false); }
TEST(OutputForms, ShortFrame70ReportLines) { expect_forms(2, true); }

TEST(OutputForms, GoodOnlyDropsTheFirstCapture) {
    const auto frames = flight(1, 4);
    const std::string wav = recording(frames);
    EXPECT_EQ(run_vardo({"-g"}, wav).out, expect_run(frames, {}, true));
    EXPECT_EQ(run_vardo({"--good", "-v"}, wav).out, expect_run(frames, {1, false, false}, true));
}

TEST(OutputForms, HexadecimalLines) {
    for (int type : {1, 2}) {
        const auto frames = flight(type, 3);
        const std::string wav = recording(frames);
        for (bool color : {false, true}) {
            for (int verbose : {0, 1, 2}) {
                OutputForm form{verbose, color, false};
                std::string want = expect_hex(first_capture_bytes(frames[0]), type, 0, false, form);
                for (std::size_t k = 1; k < frames.size(); k++)
                    want += expect_hex(vardo_frame_bytes(frames[k]), type, 0, true, form);
                std::vector<std::string> args = {"-r"};
                if (color) args.push_back("-c");
                if (verbose == 1) args.push_back("-v");
                if (verbose == 2) args.push_back("-vv");
                EXPECT_EQ(run_vardo(args, wav).out, want + "\n") << type << color << verbose;
            }
        }
    }
}

TEST(OutputForms, HexadecimalWithGoodOnlyDropsBadFrames) {
    const auto frames = flight(1, 3);
    std::string want;
    for (std::size_t k = 1; k < frames.size(); k++) want += expect_hex(vardo_frame_bytes(frames[k]), 1, 0, true, {1});
    EXPECT_EQ(run_vardo({"--raw", "-g", "-v"}, recording(frames)).out, want + "\n");
}

TEST(OutputForms, RawbitsWinsOverEveryOtherForm) {
    // --rawbits wins over every other form: the captured channel bits.
    const auto frames = flight(1, 3);
    const std::string wav = recording(frames);
    int symbol = 0;
    std::string first = vardo_biphase(first_capture_bytes(frames[0]), symbol).substr(0, 320);
    std::string want = first + "\n";
    for (std::size_t k = 1; k < frames.size(); k++) {
        std::vector<uint8_t> bytes = vardo_frame_bytes(frames[k]);
        bytes.resize(121, 0x00);  // the 20 filler bytes after the frame
        symbol = 0;
        want += vardo_biphase(bytes, symbol) + "\n";
    }
    EXPECT_EQ(run_vardo({"--rawbits"}, wav).out, want + "\n");
    EXPECT_EQ(run_vardo({"--rawbits", "-r", "-v", "--csv"}, wav).out, want + "\n");
}

TEST(OutputForms, FirstCaptureIsOnly320ChannelBits) {
    // The first frame is cut after 20 bytes and fails; its successors are
    // captured whole because the first one set the length.
    const auto frames = flight(1, 2);
    ProcessResult r = run_vardo({"-r", "-v"}, recording(frames));
    auto lines = split_lines(r.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 40), expect_hex(vardo_frame_bytes(frames[0]), 1, 0, true, {}).substr(0, 40));
    EXPECT_EQ(lines[0].substr(40, 162), std::string(162, '0'));
    EXPECT_NE(lines[0].find("[NO]"), std::string::npos);
    EXPECT_NE(lines[1].find("[OK]"), std::string::npos);
}
