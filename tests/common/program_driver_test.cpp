// The shared program skeleton, driven with a program of its own and with
// the three decoders linked into one executable.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "captured_output.h"
#include "ostrel/program.h"
#include "pelkin/program.h"
#include "io/program_driver.h"
#include "synth/wav_writer.h"
#include "vardo/program.h"

using namespace sonde;

namespace {

// A program that records what the skeleton hands it.
struct Probe final : ProgramHooks {
    WavInput in;
    std::vector<std::string> applied;
    bool started = false, ran = false, finished = false, refuse_start = false;
    int flag = 0;
    bool option(int id, const char* value) override {
        applied.push_back(std::to_string(id) + (value ? std::string("=") + value : ""));
        return id != 9;  // option 9 refuses its value
    }
    WavInput& input() override { return in; }
    bool start(const ProgramIo&) override {
        started = true;
        return !refuse_start;
    }
    void run(const ProgramIo&) override { ran = true; }
    void finish() override { finished = true; }
};

constexpr ProgramText kProbeText{"probe", "  options:\n       -a, --alpha\n", "       -n\n"};

struct Outcome {
    int status = 0;
    std::string out, err;
};

template <class Fn>
Outcome run_with(std::vector<std::string> args, const std::string& input, Fn fn) {
    CapturedOutput out, err;
    ProgramIo io;
    io.in_mem = reinterpret_cast<const unsigned char*>(input.data());
    io.in_len = input.size();
    io.out_fd = out.fd();
    io.err_fd = err.fd();
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    Outcome r;
    r.status = fn(static_cast<int>(args.size()), argv.data(), io);
    r.out = out.take();
    r.err = err.take();
    return r;
}

Outcome probe(Probe& p, std::vector<std::string> args, const std::string& input) {
    return run_with(args, input, [&](int argc, char** argv, const ProgramIo& io) {
        const ProgramOption options[] = {{"-a", "--alpha", nullptr, 0, 1},
                                         {"-n", nullptr, nullptr, 0, 2, true},
                                         {"--refuse", nullptr, nullptr, 0, 9},
                                         {"-f", "--flag", &p.flag, 7}};
        return run_program(kProbeText, options, p, argc, argv, io);
    });
}

const std::string kSilence = wav_file(WavSpec{}, std::vector<double>(480, 0.0));

}  // namespace

TEST(ProgramDriver, OptionsAreWholeWordsLeftToRightWithValues) {
    Probe p;
    const Outcome r = probe(p, {"probe", "-a", "-n", "5", "--flag", "--alpha"}, kSilence);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(p.applied, (std::vector<std::string>{"1", "2=5", "1"}));
    EXPECT_EQ(p.flag, 7);
    EXPECT_TRUE(p.started && p.ran && p.finished);
    EXPECT_EQ(r.out, "\n");  // the final empty line
    EXPECT_EQ(r.err, "sample_rate: 48000\nbits       : 16\nchannels   : 1\n");
}

TEST(ProgramDriver, FailuresEndWithTheFailureStatus) {
    Probe missing_value;
    EXPECT_EQ(probe(missing_value, {"probe", "-n"}, kSilence).status, kExitFailure);
    Probe refused;
    EXPECT_EQ(probe(refused, {"probe", "--refuse"}, kSilence).status, kExitFailure);
    Probe unknown;  // "-alpha" is no option: the name of a file that is not there
    const Outcome r = probe(unknown, {"probe", "-alpha", "-a"}, kSilence);
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.err, "-alpha konnte nicht geoeffnet werden\n");
    EXPECT_TRUE(unknown.applied.empty());
    Probe bad_header;
    EXPECT_EQ(probe(bad_header, {"probe"}, "RIFF").status, kExitFailure);
    EXPECT_FALSE(bad_header.started);
    Probe no_start;
    no_start.refuse_start = true;
    EXPECT_EQ(probe(no_start, {"probe"}, kSilence).status, kExitFailure);
    EXPECT_FALSE(no_start.ran || no_start.finished);
}

TEST(ProgramDriver, HelpAndVersionEndTheRunBeforeAnyInput) {
    Probe p;
    Outcome r = probe(p, {"probe", "-a", "--help", "-n"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "probe [options] audio.wav\n  options:\n       -a, --alpha\n       -n\n");
    EXPECT_FALSE(p.started);
    r = probe(p, {"probe", "--version"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("probe ") + SONDE_VERSION + "\n");
}

TEST(ProgramDriver, EveryDecoderTellsItsVersion) {
    EXPECT_EQ(run_with({"vardo", "--version"}, "", vardo::program_main).out, "vardo 0.2.0\n");
    EXPECT_EQ(run_with({"pelkin", "--version"}, "", pelkin::program_main).out, "pelkin 0.2.0\n");
    EXPECT_EQ(run_with({"ostrel", "--version"}, "", ostrel::program_main).out, "ostrel 0.2.0\n");
}

namespace {

// The words of a help text: split at blanks, commas and semicolons.
std::vector<std::string> words_of(const std::string& text) {
    std::vector<std::string> words;
    std::string w;
    for (char c : text + "\n") {
        if (c == ' ' || c == ',' || c == ';' || c == '\n') {
            if (!w.empty()) words.push_back(w);
            w.clear();
        } else {
            w += c;
        }
    }
    return words;
}

std::string readme_section(const std::string& program) {
    std::FILE* f = std::fopen(README_PATH, "rb");
    EXPECT_NE(f, nullptr);
    if (f == nullptr) return "";
    const std::string text = read_and_close(f);
    const std::size_t start = text.find("\n## " + program + "\n");
    EXPECT_NE(start, std::string::npos) << program;
    return text.substr(start, text.find("\n## ", start + 1) - start);
}

}  // namespace

TEST(ProgramDriver, EveryAcceptedOptionIsInTheHelpTextAndTheReadme) {
    using RunFn = int (*)(int, char**, const ProgramIo&);
    auto vardo_state = std::make_unique<vardo::VardoDecoder>();
    auto pelkin_state = std::make_unique<pelkin::PelkinDecoder>();
    ostrel::OstrelOptions ostrel_flags;
    const struct {
        const char* name;
        RunFn run;
        std::vector<ProgramOption> options;
    } programs[] = {{"vardo", vardo::program_main, vardo::program_options(*vardo_state)},
                    {"pelkin", pelkin::program_main, pelkin::program_options(*pelkin_state)},
                    {"ostrel", ostrel::program_main, ostrel::program_options(ostrel_flags)}};
    for (const auto& p : programs) {
        const std::vector<std::string> help = words_of(run_with({p.name, "-h"}, "", p.run).err);
        const std::string readme = readme_section(p.name);
        std::vector<std::string> accepted = {"-h", "--help", "--version"};
        for (const ProgramOption& o : p.options) {
            accepted.push_back(o.word);
            if (o.long_word != nullptr) accepted.push_back(o.long_word);
        }
        for (const std::string& w : accepted) {
            EXPECT_NE(std::find(help.begin(), help.end(), w), help.end()) << p.name << " help lacks " << w;
            EXPECT_TRUE(readme.find("`" + w + "`") != std::string::npos ||
                        readme.find("`" + w + " ") != std::string::npos)
                << p.name << " README lacks " << w;
        }
    }
}
