#include <iostream>

#include "Recall/RecallZorf.h"

int main(int argc, char** argv) {
    return RunRecallZorf(argc, argv, std::cout, std::cerr);
}
