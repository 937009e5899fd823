#pragma once

#include "NeuralNets/TArcsIterator.h"

class TBasicNetwork;

// The incoming arcs of one neuron from one given source layer.
class TInLayerArcsIterator : public TArcsIterator {
  public:
    explicit TInLayerArcsIterator(TBasicNetwork* owner) : network(owner) {}

    // Positions before the first arc from layer fromLayer into neuron toNode of layer toLayer.
    virtual void Start(std::int32_t /*toLayer*/, std::int32_t /*toNode*/,
                       std::int32_t /*fromLayer*/) {}

  protected:
    TBasicNetwork* network;
};
