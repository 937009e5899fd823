#pragma once

#include "NeuralNets/TArcsIterator.h"

class TBasicNetwork;

// The incoming arcs of one neuron from every source layer of a network.
class TInAllArcsIterator : public TArcsIterator {
  public:
    explicit TInAllArcsIterator(TBasicNetwork* owner) : network(owner) {}

    // Positions before the first arc into neuron toNode of layer toLayer.
    virtual void Start(std::int32_t /*toLayer*/, std::int32_t /*toNode*/) {}

  protected:
    TBasicNetwork* network;
};
