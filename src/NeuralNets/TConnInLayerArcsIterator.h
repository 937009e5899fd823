#pragma once

#include "NeuralNets/TConnArcsCursor.h"
#include "NeuralNets/TInLayerArcsIterator.h"

// The incoming arcs of one neuron from one source layer of a network whose matrices are fully
// connected and whose source layers hold plain neurons.
class TConnInLayerArcsIterator : public TConnArcsCursor<TInLayerArcsIterator> {
  public:
    using TConnArcsCursor::TConnArcsCursor;

    // Refuses (TException, Bad Parameter) numbers outside the network and a connected pair
    // the iterator cannot step through, leaving the iterator as it was. An unconnected pair
    // has no arcs.
    void Start(std::int32_t targetLayer, std::int32_t targetNode,
               std::int32_t sourceLayer) override;
    // Whether the pair is connected.
    bool HasArc() const override;
    bool Next() override;
    bool Prev() override;
};
