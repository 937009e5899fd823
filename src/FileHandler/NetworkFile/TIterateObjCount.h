#pragma once

#include <cstdint>

#include "NeuralNets/TIterateObj.h"

// Counts the visited arcs: the network file writer chooses between a dense matrix and a list
// of arcs by how many a matrix has.
class TIterateObjCount : public TIterateObj {
  public:
    std::int32_t count = 0;

    void Visit() override { ++count; }
};
