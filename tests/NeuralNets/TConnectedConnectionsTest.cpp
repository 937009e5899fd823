#include "NeuralNets/TConnectedConnections.h"

#include <gtest/gtest.h>

#include <vector>

#include "KQmessage/Check.h"
#include "NetworkBuilders.h"
#include "NeuralNets/PseudoRandom.h"
#include "NeuralNets/TConnectedNetwork.h"

namespace {

// Sources s0, s1 (layer 1) and targets t0, t1, t2 (layer 2), weights 10 * s + t.
class FullyConnected : public testing::Test {
  protected:
    std::unique_ptr<TConnectedNetwork> network = MakeNetwork<TConnectedNetwork>({0, 2, 3});
    TBasicConnections* matrix = nullptr;

    void SetUp() override {
        network->ConnectLayers(1, 2);
        matrix = &network->GetConnections(1, 2);
    }
};

TEST_F(FullyConnected, StartsWithEveryArcAtZero) {
    EXPECT_STREQ(matrix->GetConnectionsNType(), "FullyConnected");
    EXPECT_TRUE(matrix->IsConnected());
    EXPECT_EQ(matrix->GetNumWeights(FMaskExists), 6);
    EXPECT_EQ(matrix->GetNumWeights(FMaskAll), 6);
    std::vector<double> weights(6, 9.0);
    EXPECT_EQ(matrix->GetWeights(weights.data(), FMaskAll), 6);
    EXPECT_EQ(weights, std::vector<double>(6, 0.0));
    for (std::int32_t s = 0; s < 2; ++s) {
        for (std::int32_t t = 0; t < 3; ++t) {
            EXPECT_TRUE(matrix->IsValid(s, t));
            EXPECT_TRUE(matrix->IsTrainable(s, t));
            EXPECT_EQ(matrix->GetFlags(s, t), FMaskAll);
        }
    }
}

TEST_F(FullyConnected, ListsItsWeightsSourceMajor) {
    NumberWeights(*network, 1, 2);
    std::vector<double> weights(6);
    matrix->GetWeights(weights.data(), FMaskExists);
    EXPECT_EQ(weights, (std::vector<double>{0, 1, 2, 10, 11, 12}));
    const std::vector<double> loaded = {5, 4, 3, 2, 1, 0};
    EXPECT_EQ(matrix->SetWeights(loaded.data(), FMaskAll), 6);
    EXPECT_EQ(matrix->GetWeight(0, 1), 4.0);
    EXPECT_EQ(matrix->GetWeight(1, 0), 2.0);
}

TEST_F(FullyConnected, ArcEditsThatKeepEveryArcAreAccepted) {
    matrix->AddArc(0, 0);
    matrix->Unfreeze(0, 0);
    matrix->SetFlags(0, 0, FMaskExists);
    matrix->SetFlags(0, 0, FMaskAll);
    EXPECT_EQ(matrix->GetFlags(0, 0), FMaskAll);
    // A file can ask for an absent or frozen arc: the load is refused, not aborted.
    EXPECT_THROW(matrix->RemoveArc(0, 0), TCheckFailure);
    EXPECT_THROW(matrix->Freeze(0, 0), TCheckFailure);
}

TEST_F(FullyConnected, WalksSetTheTrainableFlagForEveryArc) {
    struct Recorder : TIterateObj {
        std::vector<int> trainables;
        void Visit() override { trainables.push_back(trainable); }
    } recorder;
    recorder.trainable = 0;
    matrix->IterateAll(recorder, FMaskAll);
    EXPECT_EQ(recorder.trainables, std::vector<int>(6, 1));
}

TEST_F(FullyConnected, RandomizesEveryWeightInArrayOrder) {
    matrix->RandomizeWeights(0.5, 0.5);
    std::vector<double> weights(6);
    matrix->GetWeights(weights.data(), FMaskAll);
    EXPECT_EQ(weights, std::vector<double>(6, 0.5));

    PseudoRandom::Seed(3);
    std::vector<double> expected;
    for (int i = 0; i < 6; ++i) {
        expected.push_back(PseudoRandom::Weight(-1.0, 1.0));
    }
    PseudoRandom::Seed(3);
    matrix->RandomizeWeights(-1.0, 1.0);
    std::size_t i = 0;
    for (std::int32_t t = 0; t < 3; ++t) {
        for (std::int32_t s = 0; s < 2; ++s) {
            EXPECT_EQ(matrix->GetWeight(s, t), expected[i++]);
        }
    }
}

TEST_F(FullyConnected, InsertsAndRemovesNeurons) {
    NumberWeights(*network, 1, 2);
    PseudoRandom::Seed(5);
    const double first = PseudoRandom::Weight(-1, 1);
    const double second = PseudoRandom::Weight(-1, 1);
    PseudoRandom::Seed(5);
    network->GetLayer(1)->SetNumNeurons(3);
    matrix->InsertSourceNeuron(1, -1, 1, true);
    EXPECT_EQ(matrix->GetNumWeights(FMaskAll), 9);
    EXPECT_EQ(matrix->GetWeight(1, 0), first);
    EXPECT_EQ(matrix->GetWeight(1, 1), second);
    EXPECT_EQ(matrix->GetWeight(2, 2), 12.0);

    matrix->RemoveSourceNeuron(1);
    network->GetLayer(1)->SetNumNeurons(2);
    matrix->RemoveTargetNeuron(0);
    network->GetLayer(2)->SetNumNeurons(2);
    std::vector<double> weights(4);
    matrix->GetWeights(weights.data(), FMaskAll);
    EXPECT_EQ(weights, (std::vector<double>{1, 2, 11, 12}));

    network->GetLayer(2)->SetNumNeurons(3);
    matrix->InsertTargetNeuron(2, 0.25, 0.25, true);
    EXPECT_EQ(matrix->GetWeight(0, 2), 0.25);
    EXPECT_EQ(matrix->GetWeight(1, 2), 0.25);
}

TEST_F(FullyConnected, CloneCopiesTheWeightsForTheOtherNetwork) {
    NumberWeights(*network, 1, 2);
    auto other = MakeNetwork<TConnectedNetwork>({0, 2, 3});
    other->SetConnections(1, 2, matrix->Clone(other.get()));
    TBasicConnections& copy = other->GetConnections(1, 2);
    EXPECT_EQ(copy.GetNetwork(), other.get());
    EXPECT_STREQ(copy.GetConnectionsNType(), "FullyConnected");
    EXPECT_EQ(copy.GetWeight(1, 2), 12.0);
    copy.GetWeight(1, 2) = -1;
    EXPECT_EQ(matrix->GetWeight(1, 2), 12.0);
}

TEST_F(FullyConnected, AddsEveryArcToTheTargetValues) {
    NumberWeights(*network, 1, 2);
    network->GetLayer(1)->GetValues()[0] = 1.0;
    network->GetLayer(1)->GetValues()[1] = -2.0;
    double values[3] = {100, 200, 300};
    matrix->AddWeightedInputs(values);
    EXPECT_EQ(values[0], 100 + 0 * 1.0 + 10 * -2.0);
    EXPECT_EQ(values[1], 200 + 1 * 1.0 + 11 * -2.0);
    EXPECT_EQ(values[2], 300 + 2 * 1.0 + 12 * -2.0);
}

TEST_F(FullyConnected, DeathOnUnsupportedFlagsAndDetachedNeurons) {
    EXPECT_DEATH(matrix->SetFlags(0, 0, 2),
                 "Assertion failed: \\(val==FMaskAll\\) \\|\\| \\(val==FMaskExists\\)");
    EXPECT_DEATH(matrix->InsertSourceNeuron(0, 0, 1, false), "Assertion failed: attached");
}

}  // namespace
