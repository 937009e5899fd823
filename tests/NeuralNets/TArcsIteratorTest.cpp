#include "NeuralNets/TArcsIterator.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "KQmessage/KQML.h"
#include "KQmessage/TException.h"
#include "NetworkBuilders.h"
#include "NeuralNets/TConnInAllArcsIterator.h"
#include "NeuralNets/TConnInLayerArcsIterator.h"
#include "NeuralNets/TConnectedNetwork.h"
#include "NeuralNets/TGainLayer.h"
#include "NeuralNets/TPrunedConnections.h"

namespace {

// One arc as an iterator reports it: source layer, source node, weight.
using Arc = std::tuple<std::int32_t, std::int32_t, double>;

Arc Current(const TArcsIterator& iterator) {
    return {iterator.GetFromLayer(), iterator.GetFromNode(), *iterator.GetWeightPtr()};
}

// Checks that the iterator's pointers lead to the arc's own neuron and weight.
void ExpectAimedAtTheNetwork(TBasicNetwork& network, const TArcsIterator& iterator) {
    const std::int32_t from = iterator.GetFromLayer();
    const std::int32_t s = iterator.GetFromNode();
    EXPECT_EQ(iterator.GetFromNeuron(), network.GetLayer(from)->GetNeuron(s));
    EXPECT_EQ(
        iterator.GetWeightPtr(),
        &network.GetConnections(from, iterator.GetToLayer()).GetWeight(s, iterator.GetToNode()));
}

TEST(TConnInLayerArcsIterator, StepsThroughEverySourceNeuronAndBack) {
    for (std::int32_t n : {0, 1, 3}) {
        auto network = MakeNetwork<TConnectedNetwork>({n, 1, 2});
        network->ConnectLayers(0, 2);
        NumberWeights(*network, 0, 2);
        TConnInLayerArcsIterator iterator(network.get());
        iterator.Start(2, 1, 0);
        EXPECT_TRUE(iterator.HasArc());
        EXPECT_EQ(iterator.GetToNeuron(), network->GetLayer(2)->GetNeuron(1));
        EXPECT_EQ(iterator.GetFromNeuron(), nullptr);
        for (std::int32_t s = 0; s < n; ++s) {
            ASSERT_TRUE(iterator.Next()) << n;
            EXPECT_EQ(Current(iterator), Arc(0, s, 10.0 * s + 1));
            ExpectAimedAtTheNetwork(*network, iterator);
        }
        EXPECT_FALSE(iterator.Next()) << n;
        for (std::int32_t s = n - 2; s >= 0; --s) {
            ASSERT_TRUE(iterator.Prev()) << n;
            EXPECT_EQ(iterator.GetFromNode(), s);
        }
        EXPECT_FALSE(iterator.Prev()) << n;
    }
}

TEST(TConnInLayerArcsIterator, WritesThroughTheWeightLocation) {
    auto network = MakeNetwork<TConnectedNetwork>({0, 2, 1});
    network->ConnectLayers(1, 2);
    TConnInLayerArcsIterator iterator(network.get());
    iterator.Start(2, 0, 1);
    ASSERT_TRUE(iterator.Next());
    ASSERT_TRUE(iterator.Next());
    *iterator.GetWeightPtr() = 7.5;
    EXPECT_EQ(network->GetConnections(1, 2).GetWeight(1, 0), 7.5);
}

TEST(TConnInLayerArcsIterator, AnUnconnectedPairHasNoArcs) {
    auto network = MakeNetwork<TConnectedNetwork>({2, 1, 2});
    TConnInLayerArcsIterator iterator(network.get());
    iterator.Start(2, 0, 0);
    EXPECT_FALSE(iterator.HasArc());
    EXPECT_FALSE(iterator.Next());
    EXPECT_FALSE(iterator.Prev());
}

// Layer 2 is fed by a bias (0), the inputs (1), a layer above it (3) and an empty layer (4);
// layer 1 is fed by nothing.
std::unique_ptr<TConnectedNetwork> FedNetwork() {
    auto network = MakeNetwork<TConnectedNetwork>({1, 2, 2, 2, 0});
    for (std::int32_t from : {3, 0, 4, 1}) {
        network->ConnectLayers(from, 2);
        NumberWeights(*network, from, 2, 100.0 * from);
    }
    return network;
}

std::vector<Arc> ArcsInto1OfLayer2() {
    return {{0, 0, 1}, {1, 0, 101}, {1, 1, 111}, {3, 0, 301}, {3, 1, 311}};
}

// The network's own iterator, started on neuron node of layer.
std::unique_ptr<TArcsIterator> StartedIterator(TBasicNetwork& network, std::int32_t layer,
                                               std::int32_t node) {
    std::unique_ptr<TArcsIterator> iterator = network.NewInAllArcsIterator();
    dynamic_cast<TConnInAllArcsIterator&>(*iterator).Start(layer, node);
    return iterator;
}

TEST(TConnInAllArcsIterator, VisitsEveryConnectedLayerInAscendingOrderAndBack) {
    auto network = FedNetwork();
    const std::unique_ptr<TArcsIterator> iterator = StartedIterator(*network, 2, 1);
    EXPECT_FALSE(iterator->HasArc());
    std::vector<Arc> forwards;
    while (iterator->Next()) {
        EXPECT_TRUE(iterator->HasArc());
        ExpectAimedAtTheNetwork(*network, *iterator);
        forwards.push_back(Current(*iterator));
    }
    EXPECT_EQ(forwards, ArcsInto1OfLayer2());
    EXPECT_FALSE(iterator->HasArc());
    EXPECT_FALSE(iterator->Next());

    std::vector<Arc> backwards;
    while (iterator->Prev()) {
        ExpectAimedAtTheNetwork(*network, *iterator);
        backwards.insert(backwards.begin(), Current(*iterator));
    }
    EXPECT_EQ(backwards, ArcsInto1OfLayer2());
    // A failed Prev leaves the iterator on the first arc.
    EXPECT_EQ(Current(*iterator), Arc(0, 0, 1));
    ASSERT_TRUE(iterator->Next());
    EXPECT_EQ(Current(*iterator), Arc(1, 0, 101));
}

TEST(TConnInAllArcsIterator, ANeuronNothingFeedsHasNoArcs) {
    auto network = FedNetwork();
    const std::unique_ptr<TArcsIterator> iterator = StartedIterator(*network, 1, 0);
    EXPECT_FALSE(iterator->Next());
    EXPECT_FALSE(iterator->HasArc());
    EXPECT_FALSE(iterator->Prev());
}

TEST(TConnInAllArcsIterator, ComesBackFromTheEndToArcsOfTheTopLayer) {
    auto network = MakeNetwork<TConnectedNetwork>({0, 1, 2});
    network->ConnectLayers(2, 2);
    NumberWeights(*network, 2, 2);
    TConnInAllArcsIterator iterator(network.get());
    iterator.Start(2, 0);
    ASSERT_TRUE(iterator.Next());
    ASSERT_TRUE(iterator.Next());
    EXPECT_FALSE(iterator.Next());
    ASSERT_TRUE(iterator.Prev());
    EXPECT_EQ(Current(iterator), Arc(2, 1, 10));
}

void ExpectRefused(const std::function<void()>& start, const std::string& message,
                   const std::string& where) {
    try {
        start();
        ADD_FAILURE() << "not refused: " << message;
    } catch (const TException& refusal) {
        EXPECT_EQ(refusal.message, message);
        EXPECT_EQ(refusal.category, std::string(kBadParameter));
        EXPECT_EQ(refusal.where, where);
    }
}

TEST(TConnArcsIterators, RefuseWhatTheyCannotStepThroughAndStayWhereTheyWere) {
    auto network = FedNetwork();
    network->SetConnections(0, 3, new TPrunedConnections(network.get(), 0, 3));
    // Refused even without neurons: the layer's class decides.
    network->SetLayer(4, new TGainLayer(network.get(), 4, 0, 1.0));

    TConnInAllArcsIterator all(network.get());
    TConnInLayerArcsIterator one(network.get());
    const std::string inAll = "TConnInAllArcsIterator::Start";
    const std::string inLayer = "TConnInLayerArcsIterator::Start";
    all.Start(1, 1);
    one.Start(2, 1, 1);
    ASSERT_TRUE(one.Next());
    ExpectRefused([&] { all.Start(3, 0); }, "Matrix is not fully connected", inAll);
    ExpectRefused([&] { one.Start(3, 0, 0); }, "Matrix is not fully connected", inLayer);
    ExpectRefused([&] { all.Start(2, 0); }, "Layer neurons are not plain neurons", inAll);
    ExpectRefused([&] { one.Start(2, 0, 4); }, "Layer neurons are not plain neurons", inLayer);
    ExpectRefused([&] { all.Start(5, 0); }, "Invalid layer number", inAll);
    ExpectRefused([&] { one.Start(2, 0, -1); }, "Invalid layer number", inLayer);
    ExpectRefused([&] { all.Start(1, 2); }, "Invalid neuron number", inAll);
    ExpectRefused([&] { one.Start(2, -1, 1); }, "Invalid neuron number", inLayer);
    EXPECT_EQ(all.GetToLayer(), 1);
    EXPECT_EQ(all.GetToNode(), 1);
    EXPECT_EQ(Current(one), Arc(1, 0, 101));
}

}  // namespace
