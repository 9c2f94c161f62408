// The options a program names in its help text, in its manual page and in
// the README's section about it agree. The help text is the reference: an
// option added to a program shows up there first, and this test then asks
// for it in the other two.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/run_program.h"

namespace {

using Options = std::set<std::string>;

// Every word that starts with - or -- and a letter, after a space or
// punctuation (so not the "-MM-DD" inside YYYY-MM-DD, nor a number).
Options option_words(const std::string& text) {
    const auto word_char = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-'; };
    Options out;
    for (std::size_t i = 0; i < text.size(); i++) {
        if (text[i] != '-' || (i > 0 && std::string_view(" \t\n,;|[(`/").find(text[i - 1]) == std::string::npos))
            continue;
        const std::size_t dashes = i + 1 < text.size() && text[i + 1] == '-' ? 2 : 1;
        if (i + dashes >= text.size() || !std::isalpha(static_cast<unsigned char>(text[i + dashes]))) continue;
        std::size_t end = i + dashes;
        while (end < text.size() && word_char(text[end])) end++;
        while (text[end - 1] == '-') end--;
        out.insert(text.substr(i, end - i));
        i = end - 1;
    }
    return out;
}

// The options of the help text, up to its receiver recipes (whose command
// lines name other programs' options).
Options help_options(const std::string& exe) {
    const ProcessResult r = run_program(exe, {"--help"});
    const std::string text = r.out + r.err;
    return option_words(text.substr(0, text.find("\nReceiver recipes")));
}

// The tags of the OPTIONS section's .TP entries, with \- read as -.
Options man_options(const std::string& page) {
    std::string text = read_file(page);
    for (std::size_t p; (p = text.find("\\-")) != std::string::npos;) text.erase(p, 1);
    const std::size_t start = text.find("\n.SH OPTIONS\n");
    if (start == std::string::npos) return {};
    const std::size_t end = text.find("\n.SH ", start + 1);
    std::istringstream lines(text.substr(start, end - start));
    Options out;
    bool tag = false;
    for (std::string line; std::getline(lines, line);) {
        if (tag) {
            // Drop the macro name (.B, .BR, .BI): the rest is the tag.
            std::string words = " ";
            const std::size_t space = line.find(' ');
            if (space != std::string::npos) words.append(line, space + 1);
            for (const std::string& o : option_words(words)) out.insert(o);
        }
        tag = line == ".TP";
    }
    return out;
}

// The first cells of the option table in the README section whose heading
// starts with "## NAME".
Options readme_options(const std::string& name) {
    const std::string text = read_file(std::string(SOURCE_DIR) + "/README.md");
    std::size_t start = text.find("\n## " + name + "\n");
    if (start == std::string::npos) start = text.find("\n## " + name + ":");
    if (start == std::string::npos) return {};
    const std::size_t end = text.find("\n## ", start + 1);
    std::istringstream lines(text.substr(start, end - start));
    Options out;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("| `-", 0) != 0) continue;
        const std::string cell = line.substr(1, line.find('|', 1) - 1);
        for (const std::string& o : option_words(cell)) out.insert(o);
    }
    return out;
}

std::string exe_of(const std::string& name) {
    if (name == "vardo") return VARDO_EXE;
    if (name == "pelkin") return PELKIN_EXE;
    if (name == "ostrel") return OSTREL_EXE;
#ifdef SONDERX_EXE
    if (name == "sonderx") return SONDERX_EXE;
#endif
    return SONDETRACK_EXE;
}

class OptionsAgree : public ::testing::TestWithParam<std::string> {};

TEST_P(OptionsAgree, InHelpTextManualPageAndReadme) {
    const std::string name = GetParam();
    const Options help = help_options(exe_of(name));
    const Options man = man_options(std::string(SOURCE_DIR) + "/man/" + name + ".1");
    const Options readme = readme_options(name);
    ASSERT_GE(help.size(), 2u) << "no options found in the help text";
    for (const std::string& o : help) {
        EXPECT_TRUE(man.count(o)) << o << " is in the help text but not in " << name << ".1";
        EXPECT_TRUE(readme.count(o)) << o << " is in the help text but not in the README's table";
    }
    // The manual page and the README describe the same options, and none
    // that the program does not name (help is always accepted).
    EXPECT_EQ(man, readme);
    for (const std::string& o : man) {
        if (o == "-h" || o == "--help") continue;
        EXPECT_TRUE(help.count(o)) << o << " is documented but not in the help text";
    }
}

// sonderx is built where libsndfile is found.
std::vector<std::string> programs() {
    std::vector<std::string> p{"vardo", "pelkin", "ostrel", "sondetrack"};
#ifdef SONDERX_EXE
    p.push_back("sonderx");
#endif
    return p;
}

INSTANTIATE_TEST_SUITE_P(Programs, OptionsAgree, ::testing::ValuesIn(programs()),
                         [](const ::testing::TestParamInfo<std::string>& i) { return i.param; });

}  // namespace
