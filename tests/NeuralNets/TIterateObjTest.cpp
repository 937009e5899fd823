#include "NeuralNets/TIterateObj.h"

#include <gtest/gtest.h>

#include "NetworkBuilders.h"
#include "NeuralNets/TConnectedNetwork.h"

namespace {

TEST(TIterateObj, WalksOverAPlaceholderVisitNothing) {
    auto network = MakeNetwork({1, 2});
    TBasicConnections& empty = network->GetConnections(0, 1);
    TIterateObjGetNumWeights counter;
    empty.IterateAll(counter, FMaskExists);
    empty.IterateIn(counter, 0, FMaskExists);
    empty.IterateOut(counter, 0, FMaskAll);
    EXPECT_EQ(counter.count, 0);
    TIterateObjAggregate sum;
    empty.IterateIn(sum, 0, FMaskExists);
    EXPECT_EQ(sum.sum, 0.0);
}

TEST(TIterateObj, PrepareRecordsThePairOfLayers) {
    auto network = MakeNetwork({1, 2, 3});
    network->ConnectLayers(1, 2);
    TIterateObj visitor;
    visitor.Prepare(network.get(), 1, 2);
    EXPECT_EQ(visitor.fromLayer, 1);
    EXPECT_EQ(visitor.toLayer, 2);
    EXPECT_EQ(visitor.fromLayerObj, network->GetLayer(1));
    EXPECT_EQ(visitor.toValues, network->GetLayer(2)->GetValues());
    EXPECT_EQ(visitor.conns, &network->GetConnections(1, 2));
}

TEST(TIterateObj, RandomizeWithAnEmptyRangeSetsExactlyLow) {
    auto network = MakeNetwork({0, 2, 2});
    network->ConnectLayers(1, 2);
    TIterateObjRandomize randomize(0.25, 0.25);
    network->GetConnections(1, 2).IterateAll(randomize, FMaskAll);
    EXPECT_EQ(network->GetConnections(1, 2).GetWeight(1, 1), 0.25);
}

TEST(TIterateObj, AggregateOverATargetWithoutArcsAddsZero) {
    auto network = MakeNetwork({0, 2, 1});
    network->ConnectLayers(1, 2);
    TBasicConnections& matrix = network->GetConnections(1, 2);
    matrix.RemoveArc(0, 0);
    matrix.RemoveArc(1, 0);
    TIterateObjAggregate sum;
    matrix.IterateIn(sum, 0, FMaskExists);
    EXPECT_EQ(sum.sum, 0.0);
}

TEST(TIterateObj, TwoNetworkWalksPairTheSameArcs) {
    auto first = MakeNetwork({0, 2, 2});
    auto second = MakeNetwork({0, 2, 2});
    first->ConnectLayers(1, 2);
    second->ConnectLayers(1, 2);
    NumberWeights(*first, 1, 2);
    NumberWeights(*second, 1, 2, 100.0);
    first->GetConnections(1, 2).Freeze(1, 0);
    struct Differences : TIterateObj2 {
        double total = 0;
        void Visit() override { total += *weight2 - *weight1; }
    } differences;
    first->GetConnections(1, 2).IterateAll2(differences, second.get(), FMaskAll);
    EXPECT_EQ(differences.total, 300.0);
    EXPECT_EQ(differences.conns2, &second->GetConnections(1, 2));

    auto third = MakeNetwork({0, 2, 2});
    third->ConnectLayers(1, 2);
    struct Counter : TIterateObj3 {
        int visits = 0;
        void Visit() override { ++visits; }
    } counter;
    first->GetConnections(1, 2).IterateAll3(counter, second.get(), third.get(), FMaskExists);
    EXPECT_EQ(counter.visits, 4);
}

TEST(TIterateObjDeathTest, SeveralNetworkWalksNeedMatricesOfOneClass) {
    auto pruneable = MakeNetwork({0, 2, 2});
    auto full = MakeNetwork<TConnectedNetwork>({0, 2, 2});
    pruneable->ConnectLayers(1, 2);
    full->ConnectLayers(1, 2);
    TIterateObj2 visitor;
    EXPECT_DEATH(visitor.Prepare(pruneable.get(), full.get(), 1, 2),
                 "conn1 -> GetConnectionsNType\\(\\) == conn2 -> GetConnectionsNType\\(\\)");
    TIterateObj3 three;
    EXPECT_DEATH(three.Prepare(pruneable.get(), pruneable.get(), full.get(), 1, 2),
                 "conn1 -> GetConnectionsNType\\(\\) == conn3 -> GetConnectionsNType\\(\\)");
}

}  // namespace
