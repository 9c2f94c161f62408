// Fuzz target: the whole vardo program path on a WAV stream from memory,
// frame saving included (into the target's private directory).
#include "fuzz_program.h"
#include "vardo/program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<std::string> options{"-v",        "-vv",   "-r",     "-b",      "-i",        "-c",
                                                  "-g",        "--res", "-b2",    "--ch2",   "--br 9500", "--csv",
                                                  "--rawbits", "-b1",   "--json", "--robust"};
    return fuzz_program(data, size, "vardo", options, sonde::vardo::program_main);
}
