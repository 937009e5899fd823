#include <iostream>

#include "Train/TrainZorf.h"

int main(int argc, char** argv) {
    return RunTrainZorf(argc, argv, std::cout, std::cerr);
}
