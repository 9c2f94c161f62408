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

// Each entry is one option, or an option and its value separated by a space.
inline int fuzz_program(const uint8_t* data, size_t size, const char* name, const std::vector<std::string>& options,
                        ProgramRun run) {
    static const int null_fd = [] {
        char dir[] = "/tmp/fuzz-run-XXXXXX";
        if (mkdtemp(dir) == nullptr || chdir(dir) != 0) std::abort();
        return open("/dev/null", O_WRONLY);
    }();
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
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    sonde::ProgramIo io;
    io.out_fd = null_fd;
    io.err_fd = null_fd;
    io.in_mem = data + 2;
    io.in_len = size - 2;
    int status = run(static_cast<int>(args.size()), argv.data(), io);
    if (status != 0 && status != sonde::kExitFailure) std::abort();
    return 0;
}
