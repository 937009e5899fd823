#pragma once

#include "NeuralNets/TConnArcsCursor.h"
#include "NeuralNets/TInAllArcsIterator.h"

// The incoming arcs of one neuron from every source layer, layer by layer in ascending order
// (also layers at or above the target's), of a network whose matrices are fully connected and
// whose source layers hold plain neurons. Handed out by TConnectedNetwork.
class TConnInAllArcsIterator : public TConnArcsCursor<TInAllArcsIterator> {
  public:
    using TConnArcsCursor::TConnArcsCursor;

    // Refuses (TException, Bad Parameter) numbers outside the network and any connected pair
    // into the target that the iterator cannot step through, leaving the iterator as it was.
    void Start(std::int32_t targetLayer, std::int32_t targetNode) override;
    // Whether the iterator stands on an arc.
    bool HasArc() const override;
    bool Next() override;
    bool Prev() override;

  private:
    // Takes the layer's arcs when the pair is connected and the layer has neurons.
    bool Enter(std::int32_t layer);
};
