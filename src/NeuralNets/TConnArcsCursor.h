#pragma once

#include <cstdint>

#include "NeuralNets/TArcRow.h"
#include "NeuralNets/TBasicNeuron.h"

// What the two connected-network iterators share: the target neuron, the current source
// layer's arcs into it and the arc the iterator stands on (source index -1 before the first).
// TBase is the iterator form, TInAllArcsIterator or TInLayerArcsIterator.
template <class TBase>
class TConnArcsCursor : public TBase {
  public:
    using TBase::TBase;

    std::int32_t GetFromLayer() const override { return fromLayer; }
    std::int32_t GetToLayer() const override { return toLayer; }
    std::int32_t GetFromNode() const override { return fromNode; }
    std::int32_t GetToNode() const override { return toNode; }
    TBasicNeuron* GetToNeuron() const override { return toNeuron; }
    TBasicNeuron* GetFromNeuron() const override { return fromNeuron; }
    double* GetWeightPtr() const override { return weight; }

  protected:
    std::int32_t fromLayer = -1;
    std::int32_t fromNode = -1;
    std::int32_t toLayer = -1;
    std::int32_t toNode = -1;
    TBasicNeuron* fromNeuron = nullptr;
    TBasicNeuron* toNeuron = nullptr;
    double* weight = nullptr;
    // The current source layer's arcs; its count - 1 is the last source index.
    TArcRow row;

    void Aim(std::int32_t layer, std::int32_t node, TBasicNeuron* neuron) {
        toLayer = layer;
        toNode = node;
        toNeuron = neuron;
    }

    std::int32_t LastNode() const { return row.count - 1; }

    void StandOn(std::int32_t node) {
        fromNode = node;
        fromNeuron = row.sources + node;
        weight = row.weights + node;
    }

    void StandBeforeFirst() {
        fromNode = -1;
        fromNeuron = nullptr;
        weight = nullptr;
    }
};
