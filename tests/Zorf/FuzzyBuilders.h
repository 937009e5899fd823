// Small networks around one fuzzy layer for the fuzzy-network tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <numeric>
#include <span>
#include <string>
#include <vector>

#include "KQmessage/Check.h"
#include "NeuralNets/TBasicNetwork.h"
#include "NeuralNets/TIterateObj.h"
#include "NeuralNets/TSimpleInputLayer.h"
#include "NeuralNets/TSimpleLayer.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TToConditionConnections.h"
#include "Zorf/TToOutputConnections.h"
#include "Zorf/TZorfOutputLayer.h"

// Layer 0 empty, layer 1 the inputs, layer 2 a condition layer with counts[i] membership
// functions for input i, and its matrix from the inputs: Propagate yields the degrees.
inline std::unique_ptr<TBasicNetwork> MakeConditionNetwork(std::vector<std::int32_t> counts) {
    auto network = std::make_unique<TBasicNetwork>(3);
    const auto numInputs = static_cast<std::int32_t>(counts.size());
    const std::int32_t numNodes = std::accumulate(counts.begin(), counts.end(), 0);
    network->SetLayer(0, new TSimpleLayer(network.get(), 0, 0));
    network->SetLayer(1, new TSimpleInputLayer(network.get(), 1, numInputs));
    auto* layer = new TConditionLayer(network.get(), 2, numNodes);
    network->SetLayer(2, layer);
    layer->SetMFs(numInputs, counts.data());
    network->SetConnections(1, 2, new TToConditionConnections(network.get(), 1, 2));
    return network;
}

// Layer 0 empty, layer 1 the action values (an input layer), layer 2 an output layer with
// counts[k] membership functions for output k, and the matrix with the default centres:
// Propagate of action values yields the defuzzified outputs.
inline std::unique_ptr<TBasicNetwork> MakeOutputNetwork(std::vector<std::int32_t> counts) {
    auto network = std::make_unique<TBasicNetwork>(3);
    const std::int32_t numMFs = std::accumulate(counts.begin(), counts.end(), 0);
    const auto numOutputs = static_cast<std::int32_t>(counts.size());
    network->SetLayer(0, new TSimpleLayer(network.get(), 0, 0));
    network->SetLayer(1, new TSimpleInputLayer(network.get(), 1, numMFs));
    auto* layer = new TZorfOutputLayer(network.get(), 2, numOutputs);
    network->SetLayer(2, layer);
    layer->SetMFs(numMFs, counts.data());
    auto* centres = new TToOutputConnections(network.get(), 1, 2);
    network->SetConnections(1, 2, centres);
    return network;
}

inline TConditionLayer& ConditionLayerOf(TBasicNetwork& network) {
    return static_cast<TConditionLayer&>(*network.GetLayer(2));
}

inline TZorfOutputLayer& OutputLayerOf(TBasicNetwork& network) {
    return static_cast<TZorfOutputLayer&>(*network.GetLayer(2));
}

inline std::vector<std::int32_t> ToVector(std::span<const std::int32_t> values) {
    return {values.begin(), values.end()};
}

// The arcs a walk visits: (from, to, trainable) in visiting order.
struct TArcRecorder : TIterateObj {
    struct Arc {
        std::int32_t from;
        std::int32_t to;
        int trainable;
        bool operator==(const Arc&) const = default;
    };
    std::vector<Arc> arcs;

    void Visit() override { arcs.push_back({fromNode, toNode, trainable}); }
};

// The text of the TCheckFailure the action raises, or "" (and a test failure) without one.
template <class Action>
std::string RefusalText(Action action) {
    try {
        action();
    } catch (const TCheckFailure& e) {
        return e.what();
    }
    ADD_FAILURE() << "no TCheckFailure";
    return "";
}

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}
