// sondetrack: flight tracks (GPX or KML) from the decoders' JSON Lines.
#include <cstdio>
#include <string>
#include <vector>

#include "sondetrack/options.h"
#include "sondetrack/program.h"

int main(int argc, char** argv) {
    using namespace sondetrack;
    Options o;
    std::string error;
    if (!parse_options(std::vector<std::string>(argv + 1, argv + argc), o, error)) {
        std::fprintf(stderr, "sondetrack: %s\n%s", error.c_str(), help_text());
        return kExitUsage;
    }
    if (o.help) {
        std::fputs(help_text(), stdout);
        return kExitOk;
    }
    if (o.version) {
        std::puts("sondetrack " SONDE_VERSION);
        return kExitOk;
    }
    return sondetrack_run(o, "sondetrack " SONDE_VERSION, RunIo{});
}
