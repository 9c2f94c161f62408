#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>

#include "support/run_program.h"

// A host script (no ELF file of the tests' machine) starts as it is, also in
// cross builds, and shell_command quotes a name with spaces and quotes so
// that popen runs the very file.
TEST(RunProgram, HostScriptsStartAsTheyAreWhateverTheirName) {
    TempDir dir;
    for (const std::string name : {"plain", "with space", "it's", "a'b c'd"}) {
        const std::string path = dir.file(name);
        FILE* f = std::fopen(path.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("#!/bin/sh\necho \"ran $#\"\n", f);
        std::fclose(f);
        ASSERT_EQ(chmod(path.c_str(), 0700), 0);

        EXPECT_EQ(program_command(path), std::vector<std::string>{path}) << name;
        EXPECT_EQ(run_program(path, {"x", "y"}).out, "ran 2\n") << name;
        FILE* p = popen((shell_command(path) + " z").c_str(), "r");
        ASSERT_NE(p, nullptr);
        char line[32] = {};
        EXPECT_NE(std::fgets(line, sizeof line, p), nullptr);
        EXPECT_EQ(pclose(p), 0) << name;
        EXPECT_STREQ(line, "ran 1\n") << name;
    }
}
