// Small networks for the core tests.
#pragma once

#include <initializer_list>
#include <memory>

#include "NeuralNets/ActFunctions.h"
#include "NeuralNets/TBasicNetwork.h"
#include "NeuralNets/TSimpleInputLayer.h"
#include "NeuralNets/TSimpleLayer.h"

// A network with one layer per size: the input layer at inLayer (1), simple layers with
// `function` everywhere else; no pair connected.
template <class TNetwork = TBasicNetwork>
std::unique_ptr<TNetwork> MakeNetwork(std::initializer_list<std::int32_t> sizes,
                                      TActFunction function = ActFunctions::Linear) {
    auto network = std::make_unique<TNetwork>(static_cast<std::int32_t>(sizes.size()));
    std::int32_t k = 0;
    for (std::int32_t size : sizes) {
        if (k == network->GetInLayer()) {
            network->SetLayer(k, new TSimpleInputLayer(network.get(), k, size));
        } else {
            auto* layer = new TSimpleLayer(network.get(), k, size);
            layer->SetActivationFunction(function);
            network->SetLayer(k, layer);
        }
        ++k;
    }
    return network;
}

// Sets the weight of every arc (s, t) of the pair to base + 10 * s + t.
inline void NumberWeights(TBasicNetwork& network, std::int32_t from, std::int32_t to,
                          double base = 0.0) {
    TBasicConnections& matrix = network.GetConnections(from, to);
    for (std::int32_t t = 0; t < network.GetLayer(to)->GetNumNeurons(); ++t) {
        for (std::int32_t s = 0; s < network.GetLayer(from)->GetNumNeurons(); ++s) {
            matrix.GetWeight(s, t) = base + 10.0 * s + t;
        }
    }
}
