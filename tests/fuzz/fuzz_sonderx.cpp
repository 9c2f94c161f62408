// Fuzz target: the whole sonderx program on a stream from memory, through
// its input paths. Two settings bytes come first:
//   0: bits 0-2 the input (0, 5-7: a recording; 1 s16le, 2 u8, 3 s8,
//      4 f32le raw samples), bits 3-4 the raw rate (8k, 16k, 48k, 192k),
//      bits 5-7 raw channels - 1
//   1: bits 0-2 the channel read, bit 3 --all, bits 4-5 the form (text,
//      --json, --csv, text), bits 6-7 --kind (all, vardo, pelkin,ostrel,
//      ostrel)
// The rest is the stream. Output and messages go to /dev/null; the status
// must be 0, 1 or 2.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_program.h"
#include "sonderx/program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static const char* const kRaw[] = {nullptr, "s16le", "u8", "s8", "f32le", nullptr, nullptr, nullptr};
    static const char* const kRates[] = {"8k", "16k", "48000", "192k"};
    static const char* const kKinds[] = {nullptr, "vardo", "pelkin,ostrel", "ostrel"};
    std::vector<std::string> args{"sonderx", "-q"};
    if (const char* raw = kRaw[data[0] & 7]) {
        args.insert(args.end(), {"--raw", raw, "--rate", kRates[data[0] >> 3 & 3], "--channels",
                                 std::to_string(1 + (data[0] >> 5))});
    }
    args.insert(args.end(), {"--channel", std::to_string(data[1] & 7)});
    if (data[1] & 8) args.push_back("--all");
    if ((data[1] >> 4 & 3) == 1) args.push_back("--json");
    if ((data[1] >> 4 & 3) == 2) args.push_back("--csv");
    if (const char* kinds = kKinds[data[1] >> 6]) args.insert(args.end(), {"--kind", kinds});
    const int status = run_on_memory(args, data + 2, size - 2, sonde::sonderx::program_main);
    if (status < 0 || status > 2) std::abort();
    return 0;
}
