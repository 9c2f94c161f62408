#include "ostrel_run.h"

int main(int argc, char** argv) {
    ProgramIo io;
    return ostrel_run(argc, argv, io);
}
