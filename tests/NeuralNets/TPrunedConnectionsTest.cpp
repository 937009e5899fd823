#include "NeuralNets/TPrunedConnections.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>
#include <vector>

#include "NetworkBuilders.h"
#include "NeuralNets/PseudoRandom.h"

namespace {

// Sources s0, s1 (layer 1) and targets t0, t1, t2 (layer 2), weights 10 * s + t.
class Pruneable : public testing::Test {
  protected:
    std::unique_ptr<TBasicNetwork> network = MakeNetwork({0, 2, 3});
    TBasicConnections* matrix = nullptr;

    void SetUp() override {
        network->ConnectLayers(1, 2);
        matrix = &network->GetConnections(1, 2);
        NumberWeights(*network, 1, 2);
    }

    // The (s, t) pairs and trainable flags a walk of every arc visits.
    std::vector<std::pair<int, int>> VisitedArcs(std::int32_t mask,
                                                 std::vector<int>* trainables = nullptr) {
        struct Recorder : TIterateObj {
            std::vector<std::pair<int, int>> arcs;
            std::vector<int> trainables;
            void Visit() override {
                arcs.emplace_back(fromNode, toNode);
                trainables.push_back(trainable);
            }
        } recorder;
        matrix->IterateAll(recorder, mask);
        if (trainables != nullptr) {
            *trainables = recorder.trainables;
        }
        return recorder.arcs;
    }
};

TEST_F(Pruneable, StartsFullyConnectedAndListsItsWeightsTargetMajor) {
    EXPECT_STREQ(matrix->GetConnectionsNType(), "Pruneable");
    EXPECT_EQ(matrix->GetFlags(1, 2), FMaskAll);
    std::vector<double> weights(6);
    EXPECT_EQ(matrix->GetWeights(weights.data(), FMaskAll), 6);
    EXPECT_EQ(weights, (std::vector<double>{0, 10, 1, 11, 2, 12}));
    const std::vector<double> loaded = {5, 4, 3, 2, 1, 0};
    EXPECT_EQ(matrix->SetWeights(loaded.data(), FMaskExists), 6);
    EXPECT_EQ(matrix->GetWeight(1, 0), 4.0);
    EXPECT_EQ(matrix->GetWeight(0, 1), 3.0);
}

TEST_F(Pruneable, RemovedArcsAreLeftOutEverywhere) {
    matrix->RemoveArc(1, 0);
    EXPECT_FALSE(matrix->IsValid(1, 0));
    EXPECT_EQ(matrix->GetFlags(1, 0), 0);
    EXPECT_EQ(matrix->GetWeight(1, 0), 0.0);
    EXPECT_EQ(matrix->GetNumWeights(FMaskExists), 5);

    network->GetLayer(1)->GetValues()[0] = 1.0;
    network->GetLayer(1)->GetValues()[1] = 2.0;
    matrix->GetWeight(1, 0) = 1000.0;  // not an arc: must not count
    double values[3] = {0, 0, 0};
    matrix->AddWeightedInputs(values);
    EXPECT_EQ(values[0], 0.0);
    EXPECT_EQ(values[1], 1.0 + 22.0);

    matrix->AddArc(1, 0);
    EXPECT_EQ(matrix->GetFlags(1, 0), FMaskAll);
    EXPECT_EQ(matrix->GetWeight(1, 0), 0.0);
    matrix->GetWeight(1, 0) = 7.0;
    matrix->AddArc(1, 0);
    EXPECT_EQ(matrix->GetWeight(1, 0), 7.0);
}

TEST(PruneableSums, MatchAPlainLoopBitForBitWhateverTheArcs) {
    auto network = MakeNetwork({0, 7, 5});
    network->ConnectLayers(1, 2);
    TBasicConnections& matrix = network->GetConnections(1, 2);
    PseudoRandom::Seed(4);
    matrix.RandomizeWeights(-1, 1);
    double* source = network->GetLayer(1)->GetValues();
    for (std::int32_t s = 0; s < 7; ++s) {
        source[s] = PseudoRandom::Weight(-3, 3);
    }
    source[6] = std::numeric_limits<double>::infinity();
    for (std::int32_t t = 0; t < 5; ++t) {
        matrix.SetFlags(6, t, t == 4 ? FMaskExists : 0);  // the infinite source feeds only t4
    }
    matrix.SetFlags(2, 1, FMaskTrainable);
    for (std::int32_t t = 0; t < 5; ++t) {
        double expected = 0.0;
        for (std::int32_t s = 0; s < 7; ++s) {
            if (matrix.IsValid(s, t)) {
                expected += matrix.GetWeight(s, t) * source[s];
            }
        }
        double values[5] = {0.5, 0.5, 0.5, 0.5, 0.5};
        matrix.AddWeightedInputs(values);
        EXPECT_EQ(values[t], 0.5 + expected) << "target " << t;
    }
}

TEST_F(Pruneable, FrozenArcsExistButAreNotTrained) {
    matrix->Freeze(0, 0);
    EXPECT_EQ(matrix->GetFlags(0, 0), FMaskExists);
    EXPECT_TRUE(matrix->IsValid(0, 0));
    EXPECT_FALSE(matrix->IsTrainable(0, 0));
    EXPECT_EQ(VisitedArcs(FMaskAll).front(), std::make_pair(1, 0));
    std::vector<int> trainables;
    EXPECT_EQ(VisitedArcs(FMaskExists, &trainables).front(), std::make_pair(0, 0));
    EXPECT_EQ(trainables, (std::vector<int>{0, 1, 1, 1, 1, 1}));

    matrix->GetWeight(0, 0) = 0.125;
    matrix->RandomizeWeights(-1, 1);
    EXPECT_EQ(matrix->GetWeight(0, 0), 0.125);

    network->GetLayer(1)->GetValues()[0] = 2.0;
    double values[3] = {0, 0, 0};
    matrix->AddWeightedInputs(values);
    EXPECT_EQ(values[0], 0.25);

    matrix->Unfreeze(0, 0);
    EXPECT_EQ(matrix->GetFlags(0, 0), FMaskAll);
    matrix->RemoveArc(0, 1);
    matrix->Unfreeze(0, 1);
    EXPECT_EQ(matrix->GetFlags(0, 1), 0);
}

TEST_F(Pruneable, StoresAnyFlagByte) {
    matrix->SetFlags(0, 2, FMaskTrainable);
    EXPECT_EQ(matrix->GetFlags(0, 2), FMaskTrainable);
    EXPECT_FALSE(matrix->IsValid(0, 2));
    EXPECT_TRUE(matrix->IsTrainable(0, 2));
    EXPECT_EQ(matrix->GetNumWeights(FMaskExists), 5);
    EXPECT_EQ(matrix->GetNumWeights(FMaskAll), 5);
}

TEST_F(Pruneable, FlagBuffersFollowTheWalkOrder) {
    matrix->Freeze(1, 1);
    matrix->RemoveArc(0, 2);
    const std::vector<std::uint8_t> flags = matrix->GetAllFlags();
    EXPECT_EQ(flags, (std::vector<std::uint8_t>{3, 3, 3, 1, 3}));
    const std::uint8_t frozen[] = {1, 3, 1, 3, 1};
    matrix->SetAllFlags(frozen);
    EXPECT_EQ(matrix->GetFlags(0, 0), 1);
    EXPECT_EQ(matrix->GetFlags(1, 2), 1);
    matrix->FreezeAll();
    EXPECT_EQ(matrix->GetNumWeights(FMaskAll), 0);
    EXPECT_EQ(matrix->GetNumWeights(FMaskExists), 5);
}

TEST_F(Pruneable, RandomizesOnlyTrainableWeightsWithinTheRange) {
    matrix->RandomizeWeights(0.5, 0.5);
    EXPECT_EQ(matrix->GetWeight(1, 2), 0.5);
    matrix->RemoveArc(1, 2);
    PseudoRandom::Seed(11);
    for (int round = 0; round < 200; ++round) {
        matrix->RandomizeWeights(-1, 1);
        for (std::int32_t t = 0; t < 3; ++t) {
            for (std::int32_t s = 0; s < 2; ++s) {
                if (s == 1 && t == 2) {
                    ASSERT_EQ(matrix->GetWeight(s, t), 0.0);
                    continue;
                }
                ASSERT_GE(matrix->GetWeight(s, t), -1.0);
                ASSERT_LT(matrix->GetWeight(s, t), 1.0);
            }
        }
    }
}

TEST_F(Pruneable, DetachedSourceNeuronGetsAnEmptyColumn) {
    auto square = MakeNetwork({0, 2, 2});
    square->ConnectLayers(1, 2);
    NumberWeights(*square, 1, 2);
    TBasicConnections& grid = square->GetConnections(1, 2);
    grid.Freeze(1, 0);
    square->GetLayer(1)->SetNumNeurons(3);
    grid.InsertSourceNeuron(1, -1, 1, false);
    for (std::int32_t t = 0; t < 2; ++t) {
        EXPECT_EQ(grid.GetWeight(1, t), 0.0);
        EXPECT_EQ(grid.GetFlags(1, t), 0);
        EXPECT_EQ(grid.GetWeight(2, t), 10.0 + t);
    }
    EXPECT_EQ(grid.GetFlags(2, 0), FMaskExists);

    grid.InsertTargetNeuron(0, 0.25, 0.25, true);
    square->GetLayer(2)->SetNumNeurons(3);
    EXPECT_EQ(grid.GetFlags(1, 0), FMaskAll);
    EXPECT_EQ(grid.GetWeight(2, 0), 0.25);
    EXPECT_EQ(grid.GetWeight(2, 1), 10.0);

    grid.RemoveTargetNeuron(0);
    square->GetLayer(2)->SetNumNeurons(2);
    grid.RemoveSourceNeuron(1);
    square->GetLayer(1)->SetNumNeurons(2);
    EXPECT_EQ(grid.GetWeight(1, 1), 11.0);
    EXPECT_EQ(grid.GetFlags(1, 0), FMaskExists);
}

TEST_F(Pruneable, CloneCopiesWeightsAndFlags) {
    matrix->RemoveArc(0, 1);
    matrix->Freeze(1, 2);
    auto other = MakeNetwork({0, 2, 3});
    other->SetConnections(1, 2, matrix->Clone(other.get()));
    TBasicConnections& copy = other->GetConnections(1, 2);
    EXPECT_EQ(copy.GetFlags(0, 1), 0);
    EXPECT_EQ(copy.GetFlags(1, 2), FMaskExists);
    EXPECT_EQ(copy.GetWeight(1, 1), 11.0);
}

}  // namespace
