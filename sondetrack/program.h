// A whole sondetrack run once the command line is read: inputs in order,
// tracks, and the document on standard output or in the output file.
#pragma once

#include <string>

#include "sondetrack/options.h"

namespace sondetrack {

struct RunIo {
    int in_fd = 0;  // standard input
    int out_fd = 1;
    int err_fd = 2;
};

constexpr int kExitOk = 0;
constexpr int kExitTrouble = 1;  // an input could not be read, or the output not written
constexpr int kExitUsage = 2;

int sondetrack_run(const Options& o, const std::string& creator, const RunIo& io);

}  // namespace sondetrack
