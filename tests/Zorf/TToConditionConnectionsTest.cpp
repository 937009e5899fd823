#include "Zorf/TToConditionConnections.h"

#include <gtest/gtest.h>

#include <vector>

#include "FuzzyBuilders.h"

namespace {

using Arc = TArcRecorder::Arc;

// Inputs 0 and 1 with 2 and 3 membership functions: condition nodes 0, 1 belong to input
// 0, nodes 2, 3, 4 to input 1.
class ToCondition : public testing::Test {
  protected:
    std::unique_ptr<TBasicNetwork> network = MakeConditionNetwork({2, 3});
    TBasicConnections& matrix = network->GetConnections(1, 2);

    std::vector<Arc> All(std::int32_t mask) {
        TArcRecorder recorder;
        matrix.IterateAll(recorder, mask);
        return recorder.arcs;
    }
};

TEST_F(ToCondition, HasOneArcIntoEachNodeFromItsInput) {
    EXPECT_STREQ(matrix.GetConnectionsNType(), "ToConditionConnections");
    EXPECT_TRUE(matrix.IsConnected());
    for (std::int32_t i = -1; i <= 2; ++i) {
        for (std::int32_t j = -1; j <= 5; ++j) {
            const bool belongs = (i == 0 && (j == 0 || j == 1)) || (i == 1 && j >= 2 && j <= 4);
            EXPECT_EQ(matrix.IsValid(i, j), belongs) << i << " -> " << j;
            EXPECT_EQ(matrix.IsTrainable(i, j), belongs) << i << " -> " << j;
        }
    }
    EXPECT_EQ(All(FMaskAll),
              (std::vector<Arc>{{0, 0, 1}, {0, 1, 1}, {1, 2, 1}, {1, 3, 1}, {1, 4, 1}}));
}

TEST_F(ToCondition, ItsWeightsAreTheCentres) {
    matrix.GetWeight(7, 3) = 0.4;
    EXPECT_EQ(ConditionLayerOf(*network).Node(3).centre, 0.4);
    std::vector<double> weights(5);
    EXPECT_EQ(matrix.GetWeights(weights.data(), FMaskExists), 5);
    EXPECT_EQ(weights, (std::vector<double>{0, 1, 0, 0.4, 1}));
    const std::vector<double> loaded = {0.1, 0.9, 0.2, 0.5, 0.8};
    EXPECT_EQ(network->SetWeights(loaded.data(), FMaskAll), 5);
    EXPECT_EQ(ConditionLayerOf(*network).Node(4).centre, 0.8);
}

TEST_F(ToCondition, FlagsBelongToTheTargetNode) {
    matrix.Freeze(0, 3);
    EXPECT_EQ(matrix.GetFlags(1, 3), FMaskExists);
    EXPECT_EQ(matrix.GetFlags(9, 3), FMaskExists);
    EXPECT_EQ(All(FMaskAll), (std::vector<Arc>{{0, 0, 1}, {0, 1, 1}, {1, 2, 1}, {1, 4, 1}}));
    EXPECT_EQ(All(FMaskExists).size(), 5U);

    TArcRecorder in;
    matrix.IterateIn(in, 3, FMaskAll);
    EXPECT_EQ(in.arcs, (std::vector<Arc>{{1, 3, 0}}));
    TArcRecorder out;
    matrix.IterateOut(out, 1, FMaskAll);
    EXPECT_EQ(out.arcs, (std::vector<Arc>{{1, 2, 1}, {1, 3, 0}, {1, 4, 1}}));

    matrix.Unfreeze(5, 3);
    EXPECT_EQ(matrix.GetFlags(1, 3), FMaskAll);
    matrix.SetFlags(0, 0, 0);
    TArcRecorder none;
    matrix.IterateIn(none, 0, FMaskExists);
    EXPECT_TRUE(none.arcs.empty());
}

TEST_F(ToCondition, KeepsItsArcsWhenAskedToAddOrRemoveThem) {
    matrix.RemoveArc(0, 0);
    matrix.AddArc(1, 0);
    EXPECT_TRUE(matrix.IsValid(0, 0));
    EXPECT_FALSE(matrix.IsValid(1, 0));
    EXPECT_DEATH(matrix.RemoveSourceNeuron(0), "Assertion failed: false");
    EXPECT_DEATH(matrix.RemoveTargetNeuron(0), "Assertion failed: false");
    EXPECT_DEATH(matrix.InsertSourceNeuron(0, 0, 1, true), "Assertion failed: false");
    EXPECT_DEATH(matrix.InsertTargetNeuron(0, 0, 1, true), "Assertion failed: false");
}

TEST_F(ToCondition, RefusesNodeNumbersOutsideTheLayer) {
    EXPECT_TRUE(Contains(RefusalText([&] { matrix.GetWeight(0, 5); }), "member >= 0"));
    EXPECT_TRUE(Contains(RefusalText([&] { matrix.Freeze(0, -1); }), "member >= 0"));
}

TEST_F(ToCondition, CopiesStartWithEveryArcTrainable) {
    matrix.Freeze(0, 1);
    TBasicNetwork copy(*network);
    const TBasicConnections& cloned = copy.GetConnections(1, 2);
    EXPECT_STREQ(cloned.GetConnectionsNType(), "ToConditionConnections");
    for (std::int32_t j = 0; j < 5; ++j) {
        EXPECT_EQ(copy.GetConnections(1, 2).GetFlags(0, j), FMaskAll);
    }
    EXPECT_EQ(matrix.GetFlags(0, 1), FMaskExists);
}

TEST_F(ToCondition, AddsEachInputToItsNodesWhenUsedAsAPlainMatrix) {
    network->GetLayer(1)->GetValues()[0] = 2.0;
    network->GetLayer(1)->GetValues()[1] = 3.0;
    matrix.GetWeight(0, 1) = 0.5;
    std::vector<double> sums(5, 0.0);
    matrix.AddWeightedInputs(sums.data());
    EXPECT_EQ(sums, (std::vector<double>{0, 1, 0, 1.5, 3}));
}

TEST(ToConditionConstruction, RefusesATargetThatIsNoConditionLayerWithItsFunctions) {
    auto network = MakeConditionNetwork({2});
    EXPECT_TRUE(Contains(RefusalText([&] { TToConditionConnections(network.get(), 0, 1); }),
                         "layer != nullptr && layer->HasMFs()"));
    network->SetLayer(2, new TConditionLayer(network.get(), 2, 2));
    EXPECT_TRUE(Contains(RefusalText([&] { TToConditionConnections(network.get(), 1, 2); }),
                         "layer->HasMFs()"));
    network->SetLayer(1, new TSimpleInputLayer(network.get(), 1, 0));
    const std::int32_t counts[] = {2};
    ConditionLayerOf(*network).SetMFs(1, counts);
    EXPECT_TRUE(Contains(RefusalText([&] { TToConditionConnections(network.get(), 1, 2); }),
                         "GetNumInputs()"));
}

}  // namespace
