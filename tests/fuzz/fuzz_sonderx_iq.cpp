// Fuzz target: sonderx --iq on a stream from memory: the I/Q input paths
// (raw u8, s8, s16le, f32le pairs and two-channel WAV), the front end's
// search and channels, the channels' receivers (pelkin's on the complex
// samples with --demod best, the default) and the carrier's output.
// Two settings bytes come first:
//   0: bits 0-2 the format (u8, s8, s16le, f32le, wav, u8, s16le, f32le),
//      bits 3-4 the rate (96k, 250k, 1.024M, 3.2M), bit 5 --center,
//      bit 6 --offset (a channel given at +20 kHz), bit 7 --all
//   1: bits 0-1 the form (text, --json, --csv, text), bits 2-3 --kind (all,
//      vardo, pelkin,ostrel, ostrel), bit 4 --demod discriminator
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
    static const char* const kFormats[] = {"u8", "s8", "s16le", "f32le", "wav", "u8", "s16le", "f32le"};
    static const char* const kRates[] = {"96k", "250k", "1.024M", "3.2M"};
    static const char* const kKinds[] = {nullptr, "vardo", "pelkin,ostrel", "ostrel"};
    const char* format = kFormats[data[0] & 7];
    std::vector<std::string> args{"sonderx", "-q", "--iq", format};
    if (std::string(format) != "wav") args.insert(args.end(), {"--rate", kRates[data[0] >> 3 & 3]});
    if (data[0] & 32) args.insert(args.end(), {"--center", "403.5M"});
    if (data[0] & 64) args.insert(args.end(), {"--offset", "+20k"});
    if (data[0] & 128) args.push_back("--all");
    if ((data[1] & 3) == 1) args.push_back("--json");
    if ((data[1] & 3) == 2) args.push_back("--csv");
    if (const char* kinds = kKinds[data[1] >> 2 & 3]) args.insert(args.end(), {"--kind", kinds});
    if (data[1] & 16) args.insert(args.end(), {"--demod", "discriminator"});
    const int status = run_on_memory(args, data + 2, size - 2, sonde::sonderx::program_main);
    if (status < 0 || status > 2) std::abort();
    return 0;
}
