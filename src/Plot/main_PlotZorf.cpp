#include <iostream>

#include "Plot/PlotZorf.h"

int main(int argc, char** argv) {
    return RunPlotZorf(argc, argv, std::cout, std::cerr);
}
