// Fuzz target: the whole pelkin program path on a WAV stream from memory.
#include "fuzz_program.h"
#include "pelkin/program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<std::string> options{"-v",   "-r",    "-R", "-g",    "-i",     "--auto",
                                                  "--dc", "--res", "-b", "--csv", "--json", "--robust"};
    return fuzz_program(data, size, "pelkin", options, sonde::pelkin::program_main);
}
