// Shared driver of the whole-program fuzz targets: the first two input bytes
// choose options from the program's table, one bit per entry; the rest is
// the WAV stream, fed from memory. Output and messages go to /dev/null, and
// the working directory is a private temporary one, so that a program that
// saves frames writes nowhere else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "io/line_out.h"

using ProgramRun = int (*)(int, char**, const sonde::ProgramIo&);

// /dev/null for output and messages, opened once, after moving into a
// private temporary working directory.
inline int fuzz_null_fd() {
    static const int null_fd = [] {
        char dir[] = "/tmp/fuzz-run-XXXXXX";
        if (mkdtemp(dir) == nullptr || chdir(dir) != 0) std::abort();
        return open("/dev/null", O_WRONLY);
    }();
    return null_fd;
}

// Runs the program with args on the stream in memory; its status.
inline int run_on_memory(std::vector<std::string>& args, const uint8_t* in, size_t len, ProgramRun run) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    sonde::ProgramIo io;
    io.out_fd = fuzz_null_fd();
    io.err_fd = io.out_fd;
    io.in_mem = in;
    io.in_len = len;
    return run(static_cast<int>(args.size()), argv.data(), io);
}

// Each entry is one option, or an option and its value separated by a space.
inline int fuzz_program(const uint8_t* data, size_t size, const char* name, const std::vector<std::string>& options,
                        ProgramRun run) {
    if (size < 2) return 0;
    const unsigned choice = data[0] | data[1] << 8;
    std::vector<std::string> args{name};
    for (std::size_t i = 0; i < options.size() && i < 16; i++) {
        if (!(choice >> i & 1)) continue;
        const std::string& o = options[i];
        std::size_t space = o.find(' ');
        args.push_back(o.substr(0, space));
        if (space != std::string::npos) args.push_back(o.substr(space + 1));
    }
    const int status = run_on_memory(args, data + 2, size - 2, run);
    if (status != 0 && status != sonde::kExitFailure) std::abort();
    return 0;
}
