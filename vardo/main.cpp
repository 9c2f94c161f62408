#include "vardo/vardo_run.h"

int main(int argc, char** argv) {
    ProgramIo io;
    return vardo_run(argc, argv, io);
}
