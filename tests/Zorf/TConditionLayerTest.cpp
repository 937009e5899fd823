#include "Zorf/TConditionLayer.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

#include "FuzzyBuilders.h"
#include "KQmessage/Check.h"
#include "NeuralNets/ActFunctions.h"

namespace {

// The degrees of every node of a network made by MakeConditionNetwork for one input row.
std::vector<double> Degrees(TBasicNetwork& network, const std::vector<double>& row) {
    std::vector<double> degrees(static_cast<std::size_t>(network.GetLayer(2)->GetNumNeurons()));
    network.Propagate(row.data(), degrees.data());
    return degrees;
}

std::vector<double> Centres(const TConditionLayer& layer) {
    std::vector<double> centres;
    for (std::int32_t j = 0; j < layer.GetNumNeurons(); ++j) {
        centres.push_back(layer.Node(j).centre);
    }
    return centres;
}

TEST(TConditionLayer, GroupsNodesByInputWithEvenlySpreadCentres) {
    auto network = MakeConditionNetwork({2, 3});
    const TConditionLayer& layer = ConditionLayerOf(*network);
    EXPECT_EQ(ToVector(layer.GetInputOf()), (std::vector<std::int32_t>{0, 0, 1, 1, 1}));
    EXPECT_EQ(ToVector(layer.GetMFCounts()), (std::vector<std::int32_t>{2, 3}));
    EXPECT_EQ(Centres(layer), (std::vector<double>{0, 1, 0, 0.5, 1}));
    EXPECT_EQ(layer.GetInputMFNodes(1), (std::vector<std::int32_t>{2, 3, 4}));
    EXPECT_EQ(layer.GetMFPosition(3), 1);
    EXPECT_EQ(layer.GetMFPosition(2), 0);
    EXPECT_STREQ(layer.GetLayerType(), "FuzzyCondition");
    EXPECT_EQ(layer.GetLayerKind(), 4);

    auto five = MakeConditionNetwork({5});
    EXPECT_EQ(Centres(ConditionLayerOf(*five)), (std::vector<double>{0, 0.25, 0.5, 0.75, 1}));
}

TEST(TConditionLayer, ChainsEachInputsNodesFromLeftToRight) {
    auto network = MakeConditionNetwork({2, 3});
    const TConditionLayer& layer = ConditionLayerOf(*network);
    EXPECT_EQ(layer.Node(0).left, nullptr);
    EXPECT_EQ(layer.Node(0).right, &layer.Node(1));
    EXPECT_EQ(layer.Node(1).right, nullptr);
    EXPECT_EQ(layer.Node(2).left, nullptr);
    EXPECT_EQ(layer.Node(3).left, &layer.Node(2));
    EXPECT_EQ(layer.Node(3).right, &layer.Node(4));
    EXPECT_EQ(layer.Node(4).right, nullptr);
}

TEST(TConditionLayer, FuzzifiesByTheFiveCases) {
    struct Case {
        std::int32_t numMFs;
        double x;
        std::vector<double> degrees;
    };
    const Case cases[] = {
        {3, 0.2, {0.6, 0.4, 0}},  {3, -3, {1, 0, 0}},      {3, 7, {0, 0, 1}}, {3, 0.5, {0, 1, 0}},
        {3, 0.75, {0, 0.5, 0.5}}, {2, 0.25, {0.75, 0.25}}, {2, 0, {1, 0}},    {2, 1, {0, 1}},
        {2, -0.5, {1, 0}},        {2, 1.5, {0, 1}},
    };
    for (const Case& c : cases) {
        auto network = MakeConditionNetwork({c.numMFs});
        const std::vector<double> degrees = Degrees(*network, {c.x});
        ASSERT_EQ(degrees.size(), c.degrees.size());
        for (std::size_t j = 0; j < degrees.size(); ++j) {
            EXPECT_DOUBLE_EQ(degrees[j], c.degrees[j]) << "x " << c.x << " node " << j;
        }
    }
}

TEST(TConditionLayer, DegreesOfOneInputSumToOneAndPeakExactlyAtTheCentres) {
    for (const std::int32_t numMFs : {2, 3, 5}) {
        auto network = MakeConditionNetwork({numMFs});
        for (double x = -0.5; x <= 1.5; x += 1.0 / 64) {
            double sum = 0.0;
            for (const double degree : Degrees(*network, {x})) {
                sum += degree;
            }
            EXPECT_NEAR(sum, 1.0, 1e-12) << numMFs << " functions, x " << x;
        }
        const TConditionLayer& layer = ConditionLayerOf(*network);
        for (std::int32_t j = 0; j < numMFs; ++j) {
            const std::vector<double> degrees = Degrees(*network, {layer.Node(j).centre});
            for (std::int32_t k = 0; k < numMFs; ++k) {
                EXPECT_EQ(degrees[static_cast<std::size_t>(k)], k == j ? 1.0 : 0.0);
            }
        }
    }
}

// The layer computes several nodes at once where it can; every node's degree must be the
// membership function's, bit for bit, also for centres out of order or equal, and for inputs
// at the centres, beyond them, infinite or not a number.
TEST(TConditionLayer, ComputesEachDegreeAsTheMembershipFunction) {
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> value(-0.5, 1.5);
    const double specials[] = {std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN(),
                               0.0,
                               1.0,
                               0.5};
    for (int round = 0; round < 200; ++round) {
        std::vector<std::int32_t> counts;
        for (int input = 0; input < 1 + round % 5; ++input) {
            counts.push_back(2 + static_cast<std::int32_t>(random() % 5));
        }
        auto network = MakeConditionNetwork(counts);
        TConditionLayer& layer = ConditionLayerOf(*network);
        for (std::int32_t j = 0; j < layer.GetNumNeurons(); ++j) {
            // Evenly spread, shuffled, or some equal to a neighbour's.
            const std::uint64_t pick = random() % 4;
            if (pick == 1) {
                layer.Node(j).centre = value(random);
            } else if (pick == 2 && j > 0) {
                layer.Node(j).centre = layer.Node(j - 1).centre;
            }
        }
        std::vector<double> row(counts.size());
        for (std::size_t i = 0; i < row.size(); ++i) {
            const std::uint64_t pick = random() % 4;
            row[i] = pick == 0   ? specials[random() % std::size(specials)]
                     : pick == 1 ? layer.Node(static_cast<std::int32_t>(random() % 2)).centre
                                 : value(random);
        }
        const std::vector<double> degrees = Degrees(*network, row);
        for (std::int32_t j = 0; j < layer.GetNumNeurons(); ++j) {
            const double x = row[static_cast<std::size_t>(layer.GetInputOf()[j])];
            EXPECT_EQ(std::bit_cast<std::uint64_t>(degrees[static_cast<std::size_t>(j)]),
                      std::bit_cast<std::uint64_t>(layer.Node(j).Membership(x)))
                << "node " << j << " x " << x;
        }
    }
}

TEST(TConditionLayer, TwoInputsAreFuzzifiedSeparately) {
    auto network = MakeConditionNetwork({2, 3});
    const std::vector<double> degrees = Degrees(*network, {0.25, 0.2});
    const std::vector<double> expected = {0.75, 0.25, 0.6, 0.4, 0};
    for (std::size_t j = 0; j < expected.size(); ++j) {
        EXPECT_DOUBLE_EQ(degrees[j], expected[j]);
    }
}

TEST(TConditionLayer, RefusesCountsAFileCanGiveBeforeChangingAnything) {
    auto network = MakeConditionNetwork({2, 3});
    TConditionLayer& layer = ConditionLayerOf(*network);
    layer.Node(3).centre = 0.7;
    const std::int32_t one[] = {1, 4};
    EXPECT_TRUE(Contains(RefusalText([&] { layer.SetMFs(2, one); }),
                         "NdxMF >= 2, file Zorf/TConditionLayer.cpp"));
    const std::int32_t tooFew[] = {2, 2};
    EXPECT_TRUE(Contains(RefusalText([&] { layer.SetMFs(2, tooFew); }), "sum of NdxMF"));
    EXPECT_EQ(ToVector(layer.GetMFCounts()), (std::vector<std::int32_t>{2, 3}));
    EXPECT_EQ(layer.Node(3).centre, 0.7);
}

TEST(TConditionLayer, RefusesToComputeWithoutMembershipFunctions) {
    TBasicNetwork network(3);
    network.SetLayer(0, new TSimpleLayer(&network, 0, 0));
    network.SetLayer(1, new TSimpleInputLayer(&network, 1, 1));
    network.SetLayer(2, new TConditionLayer(&network, 2, 2));
    const double row[] = {0.5};
    double degrees[2];
    EXPECT_TRUE(Contains(RefusalText([&] { network.Propagate(row, degrees); }), "HasMFs()"));
}

TEST(TConditionLayer, TheMembershipFunctionRefusesOtherNeurons) {
    TBasicNeuron neuron;
    double value = 0.0;
    neuron.value = &value;
    EXPECT_TRUE(Contains(RefusalText([&] { ActFunctions::ZorfCondition(neuron, 0.5); }),
                         "typeid(neuron) == typeid(TConditionNeuron)"));
}

TEST(TConditionLayer, CopiesKeepCentresAndFlagsAndLinkTheirOwnNodes) {
    auto network = MakeConditionNetwork({3});
    TConditionLayer& layer = ConditionLayerOf(*network);
    layer.Node(1).centre = 0.25;
    layer.Node(2).trainable = 0;
    TBasicNetwork copy(*network);
    const TConditionLayer& cloned = ConditionLayerOf(copy);
    EXPECT_EQ(Centres(cloned), (std::vector<double>{0, 0.25, 1}));
    EXPECT_EQ(cloned.Node(2).trainable, 0);
    EXPECT_EQ(cloned.Node(1).left, &cloned.Node(0));
    EXPECT_EQ(cloned.Node(1).right, &cloned.Node(2));
    EXPECT_EQ(cloned.Node(1).layer, &cloned);
    EXPECT_EQ(ToVector(cloned.GetInputOf()), (std::vector<std::int32_t>{0, 0, 0}));
    TBasicNetwork again(copy);
    EXPECT_DOUBLE_EQ(Degrees(again, {0.125})[0], 0.5);
}

}  // namespace
