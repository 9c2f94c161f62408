// Fuzz target: the whole ostrel program path on a WAV stream from memory.
#include "fuzz_program.h"
#include "ostrel/program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<std::string> options{"--csv", "-r", "--rawbits", "-d1", "-d2", "-v", "--json", "--robust"};
    return fuzz_program(data, size, "ostrel", options, sonde::ostrel::program_main);
}
