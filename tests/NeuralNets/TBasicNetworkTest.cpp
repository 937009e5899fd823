#include "NeuralNets/TBasicNetwork.h"

#include <gtest/gtest.h>

#include <vector>

#include "NetworkBuilders.h"
#include "NeuralNets/PseudoRandom.h"
#include "NeuralNets/TConnectedNetwork.h"
#include "NeuralNets/TIterateObj.h"

namespace {

TEST(TBasicNetwork, InitFillsEveryPairWithAPlaceholder) {
    TBasicNetwork basic(3);
    TConnectedNetwork connected(4);
    EXPECT_STREQ(basic.GetNetworkType(), "Basic");
    EXPECT_STREQ(connected.GetNetworkType(), "Connected");
    EXPECT_EQ(basic.GetInLayer(), 1);
    EXPECT_EQ(basic.GetOutLayer(), 2);
    for (std::int32_t to = 0; to < 3; ++to) {
        for (std::int32_t from = 0; from < 3; ++from) {
            TBasicConnections& matrix = basic.GetConnections(from, to);
            EXPECT_FALSE(matrix.IsConnected());
            EXPECT_STREQ(matrix.GetConnectionsNType(), "Empty");
            EXPECT_EQ(matrix.GetFromLayer(), from);
            EXPECT_EQ(matrix.GetToLayer(), to);
        }
    }
    EXPECT_EQ(basic.GetNumWeights(FMaskExists), 0);
    EXPECT_EQ(basic.GetNumWeights(FMaskAll), 0);
    EXPECT_EQ(basic.GetFnRegistry().GetFunction("sigmoid"), ActFunctions::Sigmoid);
}

TEST(TBasicNetwork, ConnectedNetworkWithSizesHasAnInputLayerAndSimpleLayers) {
    const std::int32_t sizes[] = {1, 2, 3};
    TConnectedNetwork network(3, sizes);
    EXPECT_STREQ(network.GetLayer(0)->GetLayerType(), "Simple");
    EXPECT_STREQ(network.GetLayer(1)->GetLayerType(), "Input");
    EXPECT_EQ(network.GetLayer(2)->GetNumNeurons(), 3);
    EXPECT_EQ(network.GetNumNeurons(), 6);
    network.ConnectLayers(1, 2);
    EXPECT_STREQ(network.GetConnections(1, 2).GetConnectionsNType(), "FullyConnected");
}

TEST(TBasicNetwork, ConnectKeepsAnExistingMatrixAndDisconnectReplacesIt) {
    auto network = MakeNetwork({0, 2, 2});
    network->ConnectLayers(1, 2);
    EXPECT_STREQ(network->GetConnections(1, 2).GetConnectionsNType(), "Pruneable");
    network->GetConnections(1, 2).GetWeight(0, 0) = 4.0;
    network->ConnectLayers(1, 2);
    EXPECT_EQ(network->GetConnections(1, 2).GetWeight(0, 0), 4.0);
    network->DisconnectLayers(1, 2);
    EXPECT_FALSE(network->GetConnections(1, 2).IsConnected());
    network->ConnectLayers(1, 2);
    EXPECT_EQ(network->GetConnections(1, 2).GetWeight(0, 0), 0.0);
}

TEST(TBasicNetwork, WeightsLeaveByAscendingSourceThenTargetLayer) {
    auto network = MakeNetwork({1, 1, 1, 1});
    network->ConnectLayers(2, 3);
    network->ConnectLayers(1, 2);
    network->ConnectLayers(0, 2);
    network->GetConnections(2, 3).GetWeight(0, 0) = 23;
    network->GetConnections(1, 2).GetWeight(0, 0) = 12;
    network->GetConnections(0, 2).GetWeight(0, 0) = 2;
    std::vector<double> weights(static_cast<std::size_t>(network->GetNumWeights(FMaskAll)));
    EXPECT_EQ(network->GetWeights(weights.data(), FMaskAll), 3);
    EXPECT_EQ(weights, (std::vector<double>{2, 12, 23}));
}

// Layer 0 is a bias neuron feeding layer 2; layer 1 holds the inputs.
std::unique_ptr<TBasicNetwork> BiasedNetwork() {
    auto network = MakeNetwork({1, 2, 2});
    network->GetLayer(0)->SetActivationFunction(ActFunctions::Bias);
    network->ConnectLayers(0, 2);
    network->ConnectLayers(1, 2);
    NumberWeights(*network, 0, 2, 0.5);
    NumberWeights(*network, 1, 2);
    return network;
}

TEST(TBasicNetwork, PropagateAddsTheBiasWeightForEveryRow) {
    auto network = BiasedNetwork();
    for (double x : {0.0, 1.0, -3.0}) {
        const double input[] = {x, 2.0 * x};
        double output[2];
        network->Propagate(input, output);
        EXPECT_EQ(output[0], 0.5 + (0 * x + 10 * 2.0 * x));
        EXPECT_EQ(output[1], 1.5 + (1 * x + 11 * 2.0 * x));
    }
}

TEST(TBasicNetwork, DownwardConnectionsCountButDoNotPropagate) {
    auto network = BiasedNetwork();
    const double input[] = {1.0, 2.0};
    double before[2];
    network->Propagate(input, before);
    network->ConnectLayers(2, 1);
    NumberWeights(*network, 2, 1, 100.0);
    EXPECT_EQ(network->GetNumWeights(FMaskExists), 2 + 4 + 4);
    double after[2];
    network->Propagate(input, after);
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
}

TEST(TBasicNetwork, PropagateComputesEveryLayerAndReturnsTheOutputLayer) {
    auto network = MakeNetwork({0, 1, 1, 1});
    network->ConnectLayers(1, 2);
    network->ConnectLayers(2, 3);
    network->GetConnections(1, 2).GetWeight(0, 0) = 2.0;
    network->GetConnections(2, 3).GetWeight(0, 0) = 3.0;
    network->SetOutLayer(2);
    const double input[] = {5.0};
    double output[1];
    network->Propagate(input, output);
    EXPECT_EQ(output[0], 10.0);
    EXPECT_EQ(network->GetLayer(3)->GetValues()[0], 30.0);
}

TEST(TBasicNetwork, WeightsCarryOverToANetworkOfTheSameStructure) {
    auto source = BiasedNetwork();
    source->GetConnections(1, 2).Freeze(1, 1);
    source->GetConnections(1, 2).RemoveArc(0, 1);
    auto target = BiasedNetwork();
    target->GetConnections(1, 2).Freeze(1, 1);
    target->GetConnections(1, 2).RemoveArc(0, 1);
    PseudoRandom::Seed(2);
    source->RandomizeWeights(-1, 1);
    source->GetConnections(1, 2).GetWeight(1, 1) = 0.375;

    std::vector<double> all(static_cast<std::size_t>(source->GetNumWeights(FMaskExists)));
    source->GetWeights(all.data(), FMaskExists);
    EXPECT_EQ(target->SetWeights(all.data(), FMaskExists), static_cast<std::int32_t>(all.size()));
    const double input[] = {0.25, -0.5};
    double expected[2];
    double actual[2];
    source->Propagate(input, expected);
    target->Propagate(input, actual);
    EXPECT_EQ(actual[0], expected[0]);
    EXPECT_EQ(actual[1], expected[1]);

    auto trainableOnly = BiasedNetwork();
    trainableOnly->GetConnections(1, 2).Freeze(1, 1);
    trainableOnly->GetConnections(1, 2).RemoveArc(0, 1);
    std::vector<double> trainable(static_cast<std::size_t>(source->GetNumWeights(FMaskAll)));
    source->GetWeights(trainable.data(), FMaskAll);
    trainableOnly->SetWeights(trainable.data(), FMaskAll);
    EXPECT_EQ(trainableOnly->GetConnections(1, 2).GetWeight(1, 1), 11.0);
    EXPECT_EQ(trainableOnly->GetConnections(1, 2).GetWeight(0, 0),
              source->GetConnections(1, 2).GetWeight(0, 0));
}

TEST(TBasicNetwork, RandomizeConsumesTheStreamMatrixByMatrix) {
    auto first = BiasedNetwork();
    auto second = BiasedNetwork();
    PseudoRandom::Seed(9);
    first->RandomizeWeights(-2, 2);
    PseudoRandom::Seed(9);
    second->GetConnections(0, 2).RandomizeWeights(-2, 2);
    second->GetConnections(1, 2).RandomizeWeights(-2, 2);
    std::vector<double> a(6);
    std::vector<double> b(6);
    first->GetWeights(a.data(), FMaskAll);
    second->GetWeights(b.data(), FMaskAll);
    EXPECT_EQ(a, b);
}

TEST(TBasicNetwork, GetNeuronNumbersThroughAllLayersSkippingEmptyOnes) {
    auto network = MakeNetwork({0, 2, 0, 3, 0});
    EXPECT_EQ(network->GetNumNeurons(), 5);
    EXPECT_EQ(network->GetNeuron(0), network->GetLayer(1)->GetNeuron(0));
    EXPECT_EQ(network->GetNeuron(2), network->GetLayer(3)->GetNeuron(0));
    EXPECT_EQ(network->GetNeuron(4), network->GetLayer(3)->GetNeuron(2));
}

TEST(TBasicNetwork, CopiesAreIndependentAndComputeAlike) {
    auto source = BiasedNetwork();
    source->GetConnections(1, 2).Freeze(0, 0);
    TBasicNetwork copy(*source);
    EXPECT_EQ(copy.GetLayer(2)->GetNetwork(), &copy);
    EXPECT_EQ(copy.GetConnections(1, 2).GetNetwork(), &copy);
    EXPECT_EQ(copy.GetConnections(1, 2).GetFlags(0, 0), FMaskExists);
    const double input[] = {1.0, 2.0};
    double expected[2];
    double actual[2];
    source->Propagate(input, expected);
    copy.Propagate(input, actual);
    EXPECT_EQ(actual[0], expected[0]);
    copy.GetConnections(1, 2).GetWeight(0, 0) = 99;
    EXPECT_EQ(source->GetConnections(1, 2).GetWeight(0, 0), 0.0);

    auto assigned = MakeNetwork({1, 1});
    *assigned = copy;
    EXPECT_EQ(assigned->GetNumLayers(), 3);
    EXPECT_EQ(assigned->GetConnections(1, 2).GetWeight(0, 0), 99.0);
    EXPECT_EQ(assigned->GetLayer(0)->GetNetwork(), assigned.get());
    *assigned = *assigned;
    EXPECT_EQ(assigned->GetNumLayers(), 3);
}

TEST(TBasicNetwork, ArcWalksVisitEveryMatrixOfTheNeuron) {
    auto network = BiasedNetwork();
    network->GetConnections(1, 2).RemoveArc(1, 0);
    TIterateObjGetNumWeights incoming;
    network->IterateInArcs(incoming, 2, 0, FMaskExists);
    EXPECT_EQ(incoming.count, 2);
    TIterateObjGetNumWeights outgoing;
    network->IterateOutArcs(outgoing, 1, 1, FMaskExists);
    EXPECT_EQ(outgoing.count, 1);
}

TEST(TBasicNetworkDeathTest, OutOfRangeNeuronsAndMissingIteratorsStop) {
    auto network = MakeNetwork({0, 2});
    EXPECT_DEATH(network->GetNeuron(2), "Assertion failed: index < GetNumNeurons\\(\\)");
    EXPECT_DEATH(network->GetNeuron(-1), "Assertion failed: index >= 0");
    EXPECT_DEATH(network->NewInAllArcsIterator(), "Assertion failed: false");
    EXPECT_DEATH(network->GetConnections(0, 1).GetWeight(0, 0),
                 "Assertion failed: false, file NeuralNets/TEmptyConnections");
}

}  // namespace
