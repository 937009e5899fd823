#include "Zorf/TZorfOutputLayer.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "FuzzyBuilders.h"

namespace {

std::vector<double> Defuzzify(TBasicNetwork& network, const std::vector<double>& activations) {
    std::vector<double> outputs(static_cast<std::size_t>(network.GetLayer(2)->GetNumNeurons()));
    network.Propagate(activations.data(), outputs.data());
    return outputs;
}

TToOutputConnections& CentresOf(TBasicNetwork& network) {
    return static_cast<TToOutputConnections&>(network.GetConnections(1, 2));
}

TEST(TZorfOutputLayer, IsTheCentreOfGravityOfEachOutputsFunctions) {
    struct Case {
        std::vector<double> activations;
        double output;
    };
    const Case cases[] = {
        {{0.2, 0.6, 0.2}, 0.5}, {{0.9, 0.1, 0}, 0.05}, {{0, 0, 0.3}, 1},
        {{0, 0, 0}, 0},         {{0.7, 0, 0}, 0},      {{0.5, 0.5, 0.5}, 0.5},
    };
    auto network = MakeOutputNetwork({3});
    CentresOf(*network).SetDefaultOutputCentres();
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(Defuzzify(*network, c.activations)[0], c.output);
    }
}

TEST(TZorfOutputLayer, DefuzzifiesOutputsFromTheirOwnActionNodes) {
    auto network = MakeOutputNetwork({2, 3});
    CentresOf(*network).SetDefaultOutputCentres();
    const std::vector<double> outputs = Defuzzify(*network, {0.5, 0.5, 0.9, 0.1, 0});
    EXPECT_DOUBLE_EQ(outputs[0], 0.5);
    EXPECT_DOUBLE_EQ(outputs[1], 0.05);
}

TEST(TZorfOutputLayer, IsZeroWhileTheCentresAreZero) {
    auto network = MakeOutputNetwork({3});
    EXPECT_EQ(Defuzzify(*network, {0.2, 0.6, 0.2})[0], 0.0);
}

TEST(TZorfOutputLayer, GroupsActionNodesByOutput) {
    auto network = MakeOutputNetwork({2, 3});
    const TZorfOutputLayer& layer = OutputLayerOf(*network);
    EXPECT_EQ(ToVector(layer.GetOutputOf()), (std::vector<std::int32_t>{0, 0, 1, 1, 1}));
    EXPECT_EQ(ToVector(layer.GetMFCounts()), (std::vector<std::int32_t>{2, 3}));
    EXPECT_EQ(layer.GetNumMFs(), 5);
    EXPECT_EQ(layer.GetMFPosition(3), 1);
    EXPECT_EQ(layer.GetMFPosition(2), 0);
    EXPECT_STREQ(layer.GetLayerType(), "Defuzzify");
    EXPECT_EQ(layer.GetLayerKind(), 5);
}

TEST(TZorfOutputLayer, RefusesAValueOutsideTheUnitRangeWithTheValueToShow) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double weight;
        double activation;
        const char* shown;
    };
    const Case cases[] = {
        {2, 0.5, "2"}, {-0.25, 0.5, "-0.25"}, {1.0 / 3 + 1, 1, "1.33333"}, {nan, 1, "nan"}};
    for (const Case& c : cases) {
        auto network = MakeOutputNetwork({2});
        CentresOf(*network).GetWeight(1, 0) = c.weight;
        try {
            Defuzzify(*network, {0, c.activation});
            ADD_FAILURE() << "no refusal of " << c.shown;
        } catch (const TOutputRangeFailure& e) {
            EXPECT_EQ(e.shownValue, c.shown);
            EXPECT_TRUE(Contains(e.what(),
                                 "Assertion failed: (ActActivation >= 0) && (ActActivation <= 1), "
                                 "file Zorf/TZorfOutputLayer.cpp"));
        }
    }
}

TEST(TZorfOutputLayer, RefusesCountsThatDoNotAddUp) {
    auto network = MakeOutputNetwork({2, 3});
    TZorfOutputLayer& layer = OutputLayerOf(*network);
    const std::int32_t counts[] = {3, 3};
    EXPECT_TRUE(Contains(RefusalText([&] { layer.SetMFs(5, counts); }), "sum of NdxMF"));
    const std::int32_t negative[] = {-1, 6};
    EXPECT_TRUE(Contains(RefusalText([&] { layer.SetMFs(5, negative); }), "NdxMF >= 0"));
    EXPECT_EQ(ToVector(layer.GetMFCounts()), (std::vector<std::int32_t>{2, 3}));
}

TEST(TZorfOutputLayer, RefusesToComputeWithoutItsCentres) {
    auto network = MakeOutputNetwork({2});
    network->DisconnectLayers(1, 2);
    EXPECT_TRUE(Contains(RefusalText([&] {
                             Defuzzify(*network, {0.5, 0.5});
                         }),
                         "matrix != nullptr"));
}

TEST(TZorfOutputLayer, CopiesKeepTheMembershipFunctions) {
    auto network = MakeOutputNetwork({2, 3});
    CentresOf(*network).SetDefaultOutputCentres();
    TBasicNetwork copy(*network);
    EXPECT_EQ(ToVector(OutputLayerOf(copy).GetOutputOf()),
              (std::vector<std::int32_t>{0, 0, 1, 1, 1}));
    EXPECT_DOUBLE_EQ(Defuzzify(copy, {0.5, 0.5, 0.9, 0.1, 0})[1], 0.05);
}

}  // namespace
