#include <iostream>

#include "Explain/ExplainZorf.h"

int main(int argc, char** argv) {
    return RunExplainZorf(argc, argv, std::cout, std::cerr);
}
