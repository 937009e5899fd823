// What every populated network keeps, whatever has been done to it.
#pragma once

#include <gtest/gtest.h>

#include "NeuralNets/TBasicNetwork.h"

// Every matrix numbered by its position and owned by the network; every layer and neuron
// numbered by its position and aimed at its layer's values.
inline void ExpectConsistentNumbers(TBasicNetwork& network) {
    const std::int32_t n = network.GetNumLayers();
    ASSERT_GE(network.GetInLayer(), 0);
    ASSERT_LT(network.GetInLayer(), n);
    ASSERT_GE(network.GetOutLayer(), 0);
    ASSERT_LT(network.GetOutLayer(), n);
    for (std::int32_t to = 0; to < n; ++to) {
        for (std::int32_t from = 0; from < n; ++from) {
            const TBasicConnections& matrix = network.GetConnections(from, to);
            EXPECT_EQ(matrix.GetFromLayer(), from);
            EXPECT_EQ(matrix.GetToLayer(), to);
            EXPECT_EQ(matrix.GetNetwork(), &network);
        }
    }
    for (std::int32_t k = 0; k < n; ++k) {
        TBasicLayer& layer = *network.GetLayer(k);
        EXPECT_EQ(layer.GetLayerNum(), k);
        EXPECT_EQ(layer.GetNetwork(), &network);
        for (std::int32_t i = 0; i < layer.GetNumNeurons(); ++i) {
            const TBasicNeuron& neuron = *layer.GetNeuron(i);
            EXPECT_EQ(neuron.layerNum, k);
            EXPECT_EQ(neuron.index, i);
            EXPECT_EQ(neuron.layer, &layer);
            EXPECT_EQ(neuron.value, layer.GetValues() + i);
        }
    }
}
