#include "pelkin/pelkin.h"

int main(int argc, char** argv) {
    ProgramIo io;
    return pelkin_run(argc, argv, io);
}
