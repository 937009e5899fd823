#include "Train/TZorfGradient.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "Zorf/MakeZorf.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TZorf.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

// A random network with pruned arcs, frozen arcs and centres, and centres moved off the even
// spread; the input row keeps clear of every centre, where a degree has no derivative.
struct TCase {
    std::unique_ptr<TZorf> network;
    std::vector<double> row;
    std::vector<double> outputWeights;
};

TCase MakeCase(std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    TZorfRecipe recipe;
    recipe.mfPerInput = {2 + static_cast<std::int32_t>(random() % 3), 3};
    recipe.numRules = 3 + static_cast<std::int32_t>(random() % 4);
    recipe.mfPerOutput = {3, 2};
    recipe.seed = seed;
    recipe.minimum = -2.0;
    recipe.maximum = 2.0;
    recipe.pruneShare = 0.3;
    TCase c{MakeZorf(recipe), {}, {}};
    TZorf& net = *c.network;
    TConditionLayer& conditions = *net.GetConditionLayer();
    for (std::int32_t j = 0; j < conditions.GetNumNeurons(); ++j) {
        conditions.Node(j).centre += 0.1 * (unit(random) - 0.5);
    }
    const std::int32_t actions = net.GetLayer(4)->GetNumNeurons();
    for (std::int32_t a = 0; a < actions; ++a) {
        net.SetWeightValue(4, a, net.GetDefuzzifyLayer()->GetOutputOf()[a], unit(random));
    }
    net.FreezeWeight(1, 1, 0);
    net.FreezeWeight(2, 0, 1);
    net.FreezeWeight(3, 1, 0);
    net.FreezeWeight(4, 0, 2);
    for (std::int32_t i = 0; i < 2; ++i) {
        double x = 0.0;
        bool clear = false;
        while (!clear) {
            x = unit(random) * 1.2 - 0.1;
            clear = true;
            for (std::int32_t j = 0; j < conditions.GetNumNeurons(); ++j) {
                clear = clear && (conditions.GetInputOf()[j] != i ||
                                  std::fabs(conditions.Node(j).centre - x) > 1e-3);
            }
        }
        c.row.push_back(x);
    }
    c.outputWeights = {unit(random) - 0.5, unit(random) - 0.5};
    return c;
}

double WeightedOutputs(TCase& c) {
    std::vector<double> outputs(2);
    c.network->Propagate(c.row.data(), outputs.data());
    return c.outputWeights[0] * outputs[0] + c.outputWeights[1] * outputs[1];
}

TEST(TZorfGradientTest, MatchesCentralDifferencesOnRandomNetworks) {
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        TCase c = MakeCase(seed);
        TZorfGradient gradient(*c.network, {true, true, true, true});
        WeightedOutputs(c);
        gradient.AddRowGradient(c.outputWeights);
        std::vector<double> analytic(static_cast<std::size_t>(gradient.NumParameters()), 0.0);
        gradient.CollectGradient(analytic);
        std::vector<double> parameters = gradient.Parameters();
        const double h = 1e-6;
        for (std::size_t p = 0; p < parameters.size(); ++p) {
            const double kept = parameters[p];
            parameters[p] = kept + h;
            gradient.SetParameters(parameters);
            const double up = WeightedOutputs(c);
            parameters[p] = kept - h;
            gradient.SetParameters(parameters);
            const double down = WeightedOutputs(c);
            parameters[p] = kept;
            gradient.SetParameters(parameters);
            const double numeric = (up - down) / (2 * h);
            EXPECT_NEAR(analytic[p], numeric, 1e-6 + 1e-5 * std::fabs(numeric))
                << "seed " << seed << " parameter " << p << " of layer "
                << int(gradient.LayerOf()[p]);
        }
    }
}

TEST(TZorfGradientTest, FrozenAndAbsentArcsAreNoParameters) {
    TCase c = MakeCase(3);
    TZorf& net = *c.network;
    const TZorfArchitecture a = net.GetArchitecture();
    std::int32_t expected = a.numConditions - 1 + a.numActions - 1;
    for (const std::int32_t layer : {2, 3}) {
        const std::int32_t from = layer == 2 ? a.numConditions : a.numRules;
        const std::int32_t to = layer == 2 ? a.numRules : a.numActions;
        for (std::int32_t s = 0; s < from; ++s) {
            for (std::int32_t t = 0; t < to; ++t) {
                expected += net.GetConnections(layer, layer + 1).GetFlags(s, t) == 3 ? 1 : 0;
            }
        }
    }
    EXPECT_EQ(TZorfGradient(net, {true, true, true, true}).NumParameters(), expected);
    EXPECT_EQ(TZorfGradient(net, {false, false, false, true}).NumParameters(), a.numActions - 1);
}

TEST(TZorfGradientTest, ConstraintsKeepCentresOrderedAndOutputsInRange) {
    TCase c = MakeCase(5);
    TZorfGradient gradient(*c.network, {true, false, false, true});
    std::vector<double> parameters = gradient.Parameters();
    for (std::size_t p = 0; p < parameters.size(); ++p) {
        parameters[p] = gradient.LayerOf()[p] == 1 ? 0.5 : (p % 2 == 0 ? 3.0 : -1.0);
    }
    gradient.Constrain(parameters, 0.01);
    gradient.SetParameters(parameters);
    const TConditionLayer& conditions = *c.network->GetConditionLayer();
    for (std::int32_t j = 1; j < conditions.GetNumNeurons(); ++j) {
        if (conditions.Node(j).left != nullptr) {
            EXPECT_GE(conditions.Node(j).centre - conditions.Node(j - 1).centre, 0.01 - 1e-12);
        }
    }
    for (std::size_t p = 0; p < parameters.size(); ++p) {
        if (gradient.LayerOf()[p] == 4) {
            EXPECT_TRUE(parameters[p] == 0.0 || parameters[p] == 1.0);
        }
    }
}

}  // namespace
