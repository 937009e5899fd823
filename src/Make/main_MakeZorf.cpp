#include <iostream>

#include "Make/MakeZorfProgram.h"

int main(int argc, char** argv) {
    return RunMakeZorf(argc, argv, std::cout, std::cerr);
}
