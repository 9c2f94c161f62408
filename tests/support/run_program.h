// Runs a built program as its own process, feeding standard input and
// collecting standard output, standard error and the exit status.
#pragma once

#include <string>
#include <vector>

struct ProcessResult {
    std::string out;
    std::string err;
    int status = -1;  // exit status, or 128 + signal number
};

// The command line that starts exe: a program built for the machine these
// tests were built for starts through the cross-compiling emulator when
// they run under one (qemu-user; binfmt_misc may be missing); anything else,
// such as a host tool, starts as it is.
std::vector<std::string> program_command(const std::string& exe);

// program_command as one line for the shell (popen), each word quoted.
std::string shell_command(const std::string& exe);

// Runs exe (through program_command) with args. stdin_data is written to the program's standard input (closed
// afterwards); cwd, when not empty, is the working directory of the child.
ProcessResult run_program(const std::string& exe, const std::vector<std::string>& args,
                          const std::string& stdin_data = "", const std::string& cwd = "");

// A fresh empty directory under the test temporary area, removed by the
// destructor.
struct TempDir {
    std::string path;
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return path + "/" + name; }
};

std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
