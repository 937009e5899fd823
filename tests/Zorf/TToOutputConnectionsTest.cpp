#include "Zorf/TToOutputConnections.h"

#include <gtest/gtest.h>

#include <vector>

#include "FuzzyBuilders.h"

namespace {

using Arc = TArcRecorder::Arc;

// Outputs 0 and 1 with 2 and 3 membership functions: action nodes 0, 1 belong to output 0,
// nodes 2, 3, 4 to output 1.
class ToOutput : public testing::Test {
  protected:
    std::unique_ptr<TBasicNetwork> network = MakeOutputNetwork({2, 3});
    TToOutputConnections& matrix =
        static_cast<TToOutputConnections&>(network->GetConnections(1, 2));

    std::vector<double> Weights() {
        std::vector<double> weights(5);
        matrix.GetWeights(weights.data(), FMaskExists);
        return weights;
    }
};

TEST_F(ToOutput, StartsWithEveryCentreAtZeroAndSpreadsThemOnRequest) {
    EXPECT_STREQ(matrix.GetConnectionsNType(), "ToOutputConnections");
    EXPECT_EQ(Weights(), (std::vector<double>(5, 0.0)));
    matrix.SetDefaultOutputCentres();
    EXPECT_EQ(Weights(), (std::vector<double>{0, 1, 0, 0.5, 1}));
    EXPECT_EQ(matrix.GetWeight(3, 9), 0.5);
}

TEST_F(ToOutput, HasOneArcFromEachActionNodeToItsOutput) {
    for (std::int32_t i = -1; i <= 5; ++i) {
        for (std::int32_t k = -1; k <= 2; ++k) {
            const bool belongs = (k == 0 && (i == 0 || i == 1)) || (k == 1 && i >= 2 && i <= 4);
            EXPECT_EQ(matrix.IsValid(i, k), belongs) << i << " -> " << k;
        }
    }
    TArcRecorder all;
    matrix.IterateAll(all, FMaskAll);
    EXPECT_EQ(all.arcs, (std::vector<Arc>{{0, 0, 1}, {1, 0, 1}, {2, 1, 1}, {3, 1, 1}, {4, 1, 1}}));
}

TEST_F(ToOutput, FlagsBelongToTheSourceNode) {
    matrix.Freeze(3, 0);
    EXPECT_EQ(matrix.GetFlags(3, 1), FMaskExists);
    TArcRecorder all;
    matrix.IterateAll(all, FMaskAll);
    EXPECT_EQ(all.arcs, (std::vector<Arc>{{0, 0, 1}, {1, 0, 1}, {2, 1, 1}, {4, 1, 1}}));
    TArcRecorder in;
    matrix.IterateIn(in, 1, FMaskAll);
    EXPECT_EQ(in.arcs, (std::vector<Arc>{{2, 1, 1}, {3, 1, 0}, {4, 1, 1}}));
    TArcRecorder out;
    matrix.IterateOut(out, 3, FMaskAll);
    EXPECT_EQ(out.arcs, (std::vector<Arc>{{3, 1, 0}}));
    matrix.Unfreeze(3, 7);
    EXPECT_EQ(matrix.GetFlags(3, 1), FMaskAll);
}

TEST_F(ToOutput, CopiesKeepTheCentresWithEveryArcTrainable) {
    matrix.SetDefaultOutputCentres();
    matrix.Freeze(4, 1);
    TBasicNetwork copy(*network);
    TBasicConnections& cloned = copy.GetConnections(1, 2);
    EXPECT_EQ(cloned.GetWeight(3, 1), 0.5);
    EXPECT_EQ(cloned.GetFlags(4, 1), FMaskAll);
    EXPECT_EQ(matrix.GetFlags(4, 1), FMaskExists);
}

TEST(ToOutputConstruction, RefusesLayersThatDoNotMatchTheMembershipFunctions) {
    auto network = MakeOutputNetwork({2, 3});
    network->SetLayer(1, new TSimpleInputLayer(network.get(), 1, 4));
    EXPECT_TRUE(
        Contains(RefusalText([&] { TToOutputConnections(network.get(), 1, 2); }), "GetNumMFs()"));
    EXPECT_TRUE(Contains(RefusalText([&] { TToOutputConnections(network.get(), 0, 1); }),
                         "layer != nullptr"));
}

TEST(ToOutputConstruction, SpreadsCentresOnlyOverTwoOrMoreFunctions) {
    auto network = MakeOutputNetwork({3, 1});
    auto& matrix = static_cast<TToOutputConnections&>(network->GetConnections(1, 2));
    EXPECT_TRUE(Contains(RefusalText([&] { matrix.SetDefaultOutputCentres(); }),
                         "NdxMF >= 2, file Zorf/TToOutputConnections.cpp"));
    EXPECT_EQ(matrix.GetWeight(2, 0), 0.0);
}

}  // namespace
