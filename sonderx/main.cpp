// sonderx: every kind of radiosonde in a receiver's FM audio at once.
#include <csignal>

#include "sonderx/program.h"

int main(int argc, char** argv) {
    // A reader that goes away (| head) ends the program quietly: the write
    // fails with EPIPE instead of a signal.
    std::signal(SIGPIPE, SIG_IGN);
    return sonde::sonderx::program_main(argc, argv, sonde::ProgramIo{});
}
