#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "NetworkBuilders.h"
#include "NetworkInvariants.h"
#include "NeuralNets/PseudoRandom.h"
#include "NeuralNets/TBasicNetwork.h"
#include "NeuralNets/TConnectedNetwork.h"

namespace {

using Pair = std::pair<std::int32_t, std::int32_t>;

// Layer 0 is a bias, 1 the inputs, 3 the outputs; every upward pair and 3 -> 1 connected,
// each with its own numbered weights.
std::unique_ptr<TBasicNetwork> FiveLayers() {
    auto network = MakeNetwork({1, 2, 2, 2, 3}, ActFunctions::Tanh);
    network->GetLayer(0)->SetActivationFunction(ActFunctions::Bias);
    network->SetOutLayer(3);
    for (std::int32_t to = 1; to < 5; ++to) {
        for (std::int32_t from = 0; from < to; ++from) {
            network->ConnectLayers(from, to);
        }
    }
    network->ConnectLayers(3, 1);
    for (std::int32_t to = 0; to < 5; ++to) {
        for (std::int32_t from = 0; from < 5; ++from) {
            if (network->GetConnections(from, to).IsConnected()) {
                NumberWeights(*network, from, to, 100.0 * from + 1000.0 * to);
            }
        }
    }
    return network;
}

std::map<Pair, const TBasicConnections*> ConnectedMatrices(const TBasicNetwork& network) {
    std::map<Pair, const TBasicConnections*> matrices;
    for (std::int32_t to = 0; to < network.GetNumLayers(); ++to) {
        for (std::int32_t from = 0; from < network.GetNumLayers(); ++from) {
            if (network.GetConnections(from, to).IsConnected()) {
                matrices[{from, to}] = &network.GetConnections(from, to);
            }
        }
    }
    return matrices;
}

std::vector<double> Outputs(TBasicNetwork& network, std::vector<double> input) {
    std::vector<double> output(
        static_cast<std::size_t>(network.GetLayer(network.GetOutLayer())->GetNumNeurons()));
    network.Propagate(input.data(), output.data());
    return output;
}

// The matrices that connected old layers (oldOf(new position) is -1 for none) are the same
// objects, with their own weights, at the new positions; all others are placeholders.
void ExpectMatricesMoved(TBasicNetwork& network,
                         const std::map<Pair, const TBasicConnections*>& before,
                         const std::function<std::int32_t(std::int32_t)>& oldOf) {
    for (std::int32_t to = 0; to < network.GetNumLayers(); ++to) {
        for (std::int32_t from = 0; from < network.GetNumLayers(); ++from) {
            const auto found = before.find({oldOf(from), oldOf(to)});
            TBasicConnections& matrix = network.GetConnections(from, to);
            if (oldOf(from) < 0 || oldOf(to) < 0 || found == before.end()) {
                EXPECT_FALSE(matrix.IsConnected()) << from << " -> " << to;
                continue;
            }
            EXPECT_EQ(&matrix, found->second) << from << " -> " << to;
            EXPECT_EQ(matrix.GetWeight(0, 1), 100.0 * oldOf(from) + 1000.0 * oldOf(to) + 1.0);
        }
    }
}

TEST(TBasicNetworkEditing, InsertLayerMovesWhatLiesAtOrAboveItsPosition) {
    for (std::int32_t position = 0; position <= 5; ++position) {
        auto network = FiveLayers();
        const auto before = ConnectedMatrices(*network);
        const std::vector<double> outputs = Outputs(*network, {0.5, -2.0});
        auto* layer = new TSimpleLayer(network.get(), position, 2);
        layer->SetActivationFunction(ActFunctions::Sigmoid);
        network->InsertLayer(position, layer);

        ASSERT_EQ(network->GetNumLayers(), 6);
        EXPECT_EQ(network->GetLayer(position), layer);
        EXPECT_EQ(network->GetInLayer(), position <= 1 ? 2 : 1) << position;
        EXPECT_EQ(network->GetOutLayer(), position <= 3 ? 4 : 3) << position;
        ExpectMatricesMoved(*network, before, [position](std::int32_t k) {
            return k == position ? -1 : k < position ? k : k - 1;
        });
        ExpectConsistentNumbers(*network);
        EXPECT_EQ(Outputs(*network, {0.5, -2.0}), outputs) << position;
    }
}

TEST(TBasicNetworkEditing, RemoveLayerMovesWhatLiesAboveItDown) {
    for (std::int32_t removed : {0, 2, 4}) {
        auto network = FiveLayers();
        const auto before = ConnectedMatrices(*network);
        TBasicLayer* outputs = network->GetLayer(3);
        network->RemoveLayer(removed);

        ASSERT_EQ(network->GetNumLayers(), 4);
        EXPECT_EQ(network->GetInLayer(), removed == 0 ? 0 : 1);
        EXPECT_EQ(network->GetOutLayer(), removed == 4 ? 3 : 2);
        EXPECT_EQ(network->GetLayer(network->GetOutLayer()), outputs);
        ExpectMatricesMoved(*network, before,
                            [removed](std::int32_t k) { return k < removed ? k : k + 1; });
        ExpectConsistentNumbers(*network);
    }
}

TEST(TBasicNetworkEditing, AddNeuronBetweenFullyConnectedNeighboursGrowsBothMatrices) {
    for (std::int32_t node : {0, 1, 3}) {
        auto network = MakeNetwork<TConnectedNetwork>({0, 2, 3, 4});
        network->ConnectLayers(1, 2);
        network->ConnectLayers(2, 3);
        NumberWeights(*network, 1, 2);
        NumberWeights(*network, 2, 3);
        ASSERT_EQ(network->GetNumWeights(FMaskAll), 2 * 3 + 3 * 4);
        network->AddNeuron(2, node, -0.5, 0.5, true);

        EXPECT_EQ(network->GetNumWeights(FMaskAll), 2 * 3 + 3 * 4 + 2 + 4);
        // The new neuron's arcs weigh random values in [-0.5, 0.5); old arcs keep theirs.
        const auto expectWeight = [node](double weight, std::int32_t k, double numbered) {
            if (k == node) {
                EXPECT_TRUE(weight >= -0.5 && weight < 0.5) << weight;
            } else {
                EXPECT_EQ(weight, numbered);
            }
        };
        TBasicConnections& in = network->GetConnections(1, 2);
        TBasicConnections& out = network->GetConnections(2, 3);
        for (std::int32_t k = 0; k < 4; ++k) {
            const std::int32_t old = k < node ? k : k - 1;
            for (std::int32_t s = 0; s < 2; ++s) {
                expectWeight(in.GetWeight(s, k), k, 10.0 * s + old);
            }
            for (std::int32_t t = 0; t < 4; ++t) {
                expectWeight(out.GetWeight(k, t), k, 10.0 * old + t);
            }
        }
        EXPECT_EQ(network->GetLayer(2)->GetNeuron(node)->actFunction, ActFunctions::Linear);
        ExpectConsistentNumbers(*network);
    }
}

TEST(TBasicNetworkEditing, AddNeuronDetachedLeavesTheNewArcsAbsent) {
    auto network = MakeNetwork({0, 2, 2, 1});
    network->ConnectLayers(1, 2);
    network->ConnectLayers(2, 2);
    network->ConnectLayers(2, 3);
    network->AddNeuron(2, 0, -1.0, 1.0, false);
    EXPECT_EQ(network->GetNumWeights(FMaskExists), 4 + 4 + 2);
    TBasicConnections& self = network->GetConnections(2, 2);
    for (std::int32_t k = 0; k < 3; ++k) {
        EXPECT_EQ(self.GetFlags(0, k), 0);
        EXPECT_EQ(self.GetFlags(k, 0), 0);
    }
    // The layer's own matrix gains a column for the old rows, then a full row.
    network->AddNeuron(2, 3, -1.0, 1.0, true);
    EXPECT_EQ(network->GetNumWeights(FMaskExists), 10 + 2 + 7 + 1);
    ExpectConsistentNumbers(*network);
}

TEST(TBasicNetworkEditing, RemovingANeuronThatFeedsNothingKeepsTheOutputs) {
    auto network = MakeNetwork<TConnectedNetwork>({1, 2, 3, 2}, ActFunctions::Sigmoid);
    network->GetLayer(0)->SetActivationFunction(ActFunctions::Bias);
    for (Pair pair : {Pair{0, 2}, Pair{1, 2}, Pair{2, 3}, Pair{0, 3}, Pair{1, 3}}) {
        network->ConnectLayers(pair.first, pair.second);
    }
    PseudoRandom::Seed(11);
    network->RandomizeWeights(-1.0, 1.0);
    for (std::int32_t t = 0; t < 2; ++t) {
        network->GetConnections(2, 3).GetWeight(1, t) = 0.0;
    }
    const std::int32_t weights = network->GetNumWeights(FMaskAll);
    const std::vector<std::vector<double>> rows = {{0.0, 0.0}, {1.5, -0.25}, {-3.0, 7.0}};
    std::vector<std::vector<double>> before;
    for (const auto& row : rows) {
        before.push_back(Outputs(*network, row));
    }
    network->RemoveNeuron(2, 1);
    EXPECT_EQ(network->GetNumWeights(FMaskAll), weights - 1 - 2 - 2);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(Outputs(*network, rows[i]), before[i]);
    }
    ExpectConsistentNumbers(*network);
}

// A bias (0), inputs (1), two hidden layers, the outputs (4) and a layer above them (5) that
// feeds nothing. Hidden neuron (2, 0) feeds only (3, 1), which feeds nothing.
std::unique_ptr<TBasicNetwork> Chain(bool biasConnected) {
    auto network = MakeNetwork({1, 2, 2, 2, 1, 2});
    network->SetOutLayer(4);
    for (Pair pair : {Pair{1, 2}, Pair{2, 3}, Pair{3, 4}, Pair{4, 5}}) {
        network->ConnectLayers(pair.first, pair.second);
    }
    if (biasConnected) {
        network->ConnectLayers(0, 2);
    }
    network->GetConnections(2, 3).RemoveArc(0, 0);
    network->GetConnections(3, 4).RemoveArc(1, 0);
    return network;
}

TEST(TBasicNetworkEditing, PruneNeuronsRemovesAChainInOneCall) {
    for (bool biasConnected : {true, false}) {
        auto network = Chain(biasConnected);
        EXPECT_EQ(network->PruneNeurons(), biasConnected ? 2 : 3);
        EXPECT_EQ(network->PruneNeurons(), 0);
        EXPECT_EQ(network->GetLayer(0)->GetNumNeurons(), biasConnected ? 1 : 0);
        EXPECT_EQ(network->GetLayer(2)->GetNumNeurons(), 1);
        EXPECT_EQ(network->GetLayer(3)->GetNumNeurons(), 1);
        EXPECT_EQ(network->GetLayer(5)->GetNumNeurons(), 2);
        // The survivors' arcs: (2, 1) -> (3, 0) -> (4, 0).
        EXPECT_EQ(network->GetNumWeights(FMaskExists), 2 + 1 + 1 + 2 + (biasConnected ? 1 : 0));
        ExpectConsistentNumbers(*network);
    }
}

TEST(TBasicNetworkEditingDeathTest, PositionsOutsideTheNetworkStop) {
    const std::vector<std::pair<std::function<void(TBasicNetwork&)>, std::string>> cases = {
        {[](TBasicNetwork& n) { n.InsertLayer(-1, new TSimpleLayer(&n, 0, 1)); }, "LayerNum>=0"},
        {[](TBasicNetwork& n) { n.InsertLayer(6, new TSimpleLayer(&n, 6, 1)); },
         "LayerNum<=numLayers"},
        {[](TBasicNetwork& n) { n.RemoveLayer(-1); }, "LayerNum>=0"},
        {[](TBasicNetwork& n) { n.RemoveLayer(5); }, "LayerNum<numLayers"},
        {[](TBasicNetwork& n) { n.RemoveLayer(1); }, "LayerNum!=inLayer"},
        {[](TBasicNetwork& n) { n.AddNeuron(3, 0, 0.0, 1.0, true); }, "LayerNum!=outLayer"},
        {[](TBasicNetwork& n) { n.AddNeuron(2, -1, 0.0, 1.0, true); }, "node>=0"},
        {[](TBasicNetwork& n) { n.AddNeuron(2, 3, 0.0, 1.0, true); }, "node<=GetNumNeurons\\(\\)"},
        {[](TBasicNetwork& n) { n.RemoveNeuron(4, -1); }, "node>=0"},
        {[](TBasicNetwork& n) { n.RemoveNeuron(4, 3); }, "node<GetNumNeurons\\(\\)"},
    };
    for (const auto& [edit, condition] : cases) {
        auto network = FiveLayers();
        EXPECT_DEATH(edit(*network),
                     "Assertion failed: " + condition + ", file NeuralNets/TBasicNetworkEditing");
    }
}

}  // namespace
