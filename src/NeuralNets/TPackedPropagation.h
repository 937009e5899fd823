#pragma once

#include "NeuralNets/TBasicNetwork.h"

// A run of Propagate calls over a network whose weights stay as they are, such as a recall:
// while it lives, the general matrices keep a packed copy of their weights (those not too large
// to copy), and Propagate adds their weighted sums with the vectorized kernel. The results are the
// same bits either way. Nothing may change a weight meanwhile except through the matrices' own
// operations (which drop the copy); a weight written through a reference taken earlier is a
// programming error, caught when the run ends. Runs do not nest.
class TPackedPropagation {
  public:
    explicit TPackedPropagation(TBasicNetwork& network);
    TPackedPropagation(const TPackedPropagation&) = delete;
    TPackedPropagation& operator=(const TPackedPropagation&) = delete;
    ~TPackedPropagation();

  private:
    TBasicNetwork& network;
};
