#include <iostream>

#include "Recall/MakeZorf.h"

int main(int argc, char** argv) {
    return RunMakeZorf(argc, argv, std::cout, std::cerr);
}
