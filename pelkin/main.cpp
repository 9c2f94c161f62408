#include "pelkin/program.h"

#include <csignal>

int main(int argc, char** argv) {
    // A reader that goes away ends the program at its next line, also when
    // the parent (a service manager, say) handed SIGPIPE down ignored: a live
    // stream never ends, and decoding it for nobody would never stop.
    std::signal(SIGPIPE, SIG_DFL);
    sonde::ProgramIo io;
    return sonde::pelkin::program_main(argc, argv, io);
}
