// A row's explanation against recall and the network's own layers, and the rules read from
// weights against what propagation makes of them.
#include "Zorf/TZorfExplanation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "DataObject/Data.h"
#include "KQmessage/TException.h"
#include "NeuralNets/TPackedPropagation.h"
#include "Zorf/MakeZorf.h"
#include "Zorf/TNonFiniteInput.h"
#include "Zorf/TZorfRules.h"

namespace {

bool SameBits(const std::vector<double>& a, const double* b) {
    return std::memcmp(a.data(), b, a.size() * sizeof(double)) == 0;
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && SameBits(a, b.data());
}

TZorfRecipe RandomRecipe(std::mt19937& engine, std::uint32_t seed) {
    const auto below = [&engine](std::int32_t n) {
        return static_cast<std::int32_t>(engine() % static_cast<std::uint32_t>(n));
    };
    TZorfRecipe recipe;
    recipe.mfPerInput.resize(static_cast<std::size_t>(1 + below(4)));
    for (std::int32_t& count : recipe.mfPerInput) {
        count = 2 + below(5);
    }
    recipe.numRules = 1 + below(30);
    recipe.mfPerOutput.resize(static_cast<std::size_t>(1 + below(3)));
    for (std::int32_t& count : recipe.mfPerOutput) {
        count = 2 + below(4);
    }
    recipe.seed = seed;
    recipe.minimum = -4.0;
    recipe.maximum = 4.0;
    recipe.pruneShare = std::array{0.0, 0.3, 0.9}[seed % 3];
    return recipe;
}

// The outputs are recall's (the packed, batched path of the library) bit for bit; every layer is
// what a second copy of the network holds after propagating the row; and the weighted sums give
// the rule and action activations through the layers' own activation.
TEST(ExplainRow, IsRecallLayerByLayer) {
    std::mt19937 engine(11);
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        const TZorfRecipe recipe = RandomRecipe(engine, seed);
        const std::unique_ptr<TZorf> network = MakeZorf(recipe);
        const std::unique_ptr<TZorf> reference = MakeZorf(recipe);
        const auto inputs = static_cast<std::int32_t>(recipe.mfPerInput.size());
        Data rows(16, inputs, 0, false);
        std::uniform_real_distribution<double> value(-0.2, 1.2);
        for (std::int32_t r = 0; r < 16; ++r) {
            std::vector<double> row(static_cast<std::size_t>(inputs));
            std::generate(row.begin(), row.end(), [&] { return value(engine); });
            rows.AppendRow(row, {}, nullptr);
        }
        const std::unique_ptr<Data> recalled = reference->RecallOutputOnly(&rows);
        const TPackedPropagation packing(*reference);
        TZorfExplanation explanation;
        std::vector<double> row(static_cast<std::size_t>(inputs));
        std::vector<double> outputs(recipe.mfPerOutput.size());
        for (std::int32_t r = 0; r < 16; ++r) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", row " << r);
            for (std::int32_t i = 0; i < inputs; ++i) {
                row[static_cast<std::size_t>(i)] = rows.GetInputDatum(r, i);
            }
            ExplainRow(*network, row, explanation, r);
            for (std::size_t k = 0; k < outputs.size(); ++k) {
                outputs[k] = recalled->GetOutputDatum(r, static_cast<std::int32_t>(k));
            }
            EXPECT_TRUE(SameBits(explanation.outputs, outputs));
            reference->Propagate(row.data(), outputs.data());
            const std::vector<double>* layers[] = {&explanation.inputs, &explanation.memberships,
                                                   &explanation.rules, &explanation.actions,
                                                   &explanation.outputs};
            for (std::int32_t k = TZorf::kInputLayer; k <= TZorf::kOutputLayer; ++k) {
                const TBasicLayer& layer = *reference->GetLayer(k);
                EXPECT_EQ(layers[k - 1]->size(), static_cast<std::size_t>(layer.GetNumNeurons()));
                EXPECT_TRUE(SameBits(*layers[k - 1], layer.GetValues())) << "layer " << k;
            }
            for (const auto& [k, sums, activations] :
                 {std::tuple{TZorf::kRuleLayer, &explanation.ruleSums, &explanation.rules},
                  std::tuple{TZorf::kActionLayer, &explanation.actionSums, &explanation.actions}}) {
                TBasicLayer& layer = *reference->GetLayer(k);
                layer.ApplyActivation(sums->data());
                EXPECT_TRUE(SameBits(*activations, layer.GetValues())) << "sums of layer " << k;
            }
        }
    }
}

TEST(ExplainRow, RefusesWhatRecallRefuses) {
    const std::unique_ptr<TZorf> network = MakeZorf({{3, 3}, 4, {3}, 7});
    TZorfExplanation explanation;
    EXPECT_THROW(ExplainRow(*network, std::vector<double>{0.5}, explanation), TException);
    try {
        ExplainRow(*network, std::vector{0.5, std::numeric_limits<double>::infinity()}, explanation,
                   6);
        ADD_FAILURE();
    } catch (const TNonFiniteInput& refusal) {
        EXPECT_EQ(refusal.row, 6);
        EXPECT_EQ(refusal.column, 1);
    }
    network->ConnectLayers(TZorf::kInputLayer, TZorf::kRuleLayer);
    EXPECT_FALSE(network->HasStandardShape());
    EXPECT_THROW(ExplainRow(*network, std::vector{0.5, 0.5}, explanation), TException);
}

// One rule's line for weights on the condition nodes (nan: the arc is pruned), some arcs frozen;
// the rule sets the first output function at 5 and holds the output away from the second at -1.
TEST(ReadRules, SaysEachRuleInWords) {
    constexpr double kPruned = std::numeric_limits<double>::quiet_NaN();
    const struct {
        std::vector<std::int32_t> functions;
        std::vector<double> weights;
        std::vector<std::int32_t> frozen;
        std::string line;
    } cases[] = {
        {{3}, {-8, 4, -8}, {}, "IF input 0 is medium (1.00) THEN"},
        {{3}, {4, 4, -8}, {}, "IF input 0 is not high (1.00) THEN"},
        {{3}, {1, 0, 1}, {1}, "IF input 0 is not medium (1.00, 1 of 3 arcs frozen) THEN"},
        {{3}, {kPruned, kPruned, 3}, {2}, "IF input 0 is high (1.00, frozen) THEN"},
        {{5}, {0, 0, 0, 1, 1}, {}, "IF input 0 is high or very high (1.00) THEN"},
        {{5}, {1, 1, 1, 0, 0}, {}, "IF input 0 is neither high nor very high (1.00) THEN"},
        {{5}, {0, 1, 1, 1, 1}, {}, "IF input 0 is not very low (1.00) THEN"},
        {{7}, {1, 0, 0, 0, 0, 0, 1}, {}, "IF input 0 is extremely low or extremely high (1.00)"},
        {{12}, {0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, "IF input 0 is level 3 of 12 (1.00)"},
        {{2, 2}, {0, 10, 0.5, 0}, {}, "IF input 0 is high (0.95) (+1 below 0.1) THEN"},
        {{2, 2}, {0, 6, 4, 0}, {}, "IF input 0 is high (0.60) AND input 1 is low (0.40) THEN"},
        {{3}, {2, 2, 2}, {}, "rule 0: always fires (0.88) THEN"},
        {{2, 2}, {3, 3.05, 0, 0}, {}, "rule 0: always fires (0.95) THEN"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const std::unique_ptr<TZorf> network = MakeZorf({c.functions, 1, {2}, 1});
        TBasicConnections& conditions = network->GetConnections(2, 3);
        std::int32_t pruned = 0;
        for (std::size_t j = 0; j < c.weights.size(); ++j) {
            const auto node = static_cast<std::int32_t>(j);
            if (std::isnan(c.weights[j])) {
                conditions.RemoveArc(node, 0);
                ++pruned;
            } else {
                network->SetWeightValue(2, node, 0, c.weights[j]);
            }
        }
        for (const std::int32_t node : c.frozen) {
            network->FreezeWeight(2, 0, node);
        }
        network->SetWeightValue(3, 0, 0, 5.0);
        network->SetWeightValue(3, 0, 1, -1.0);
        const std::string text = RulesText(ReadRules(*network, kDefaultRuleThreshold));
        EXPECT_NE(text.find(c.line), std::string::npos) << text;
        EXPECT_NE(
            text.find("output 0 is low (0.83) AND output 0 is not high (0.17)" +
                      (pruned > 0 ? " [" + std::to_string(pruned) + " arcs pruned]" : "") + "\n"),
            std::string::npos)
            << text;
    }
}

// Over every combination of inputs at their functions' centres, a rule reaches exactly the lowest
// and the highest activation the reading gives it.
TEST(ReadRules, ActivationRangeIsWhatPropagationReaches) {
    const std::unique_ptr<TZorf> network = MakeZorf({{3, 4}, 20, {3}, 5, -3.0, 3.0, 0.3});
    const TZorfRules rules = ReadRules(*network, 0.0);
    const std::vector<double>& first = rules.inputs[0].centres;
    const std::vector<double>& second = rules.inputs[1].centres;
    std::vector<double> lowest(20, std::numeric_limits<double>::infinity());
    std::vector<double> highest(20, -std::numeric_limits<double>::infinity());
    TZorfExplanation explanation;
    for (const double x : first) {
        for (const double y : second) {
            ExplainRow(*network, std::vector{x, y}, explanation);
            for (std::size_t r = 0; r < 20; ++r) {
                lowest[r] = std::min(lowest[r], explanation.rules[r]);
                highest[r] = std::max(highest[r], explanation.rules[r]);
            }
        }
    }
    ASSERT_EQ(rules.rules.size(), 20u);
    for (const TRuleReading& rule : rules.rules) {
        const auto r = static_cast<std::size_t>(rule.rule);
        EXPECT_EQ(rule.lowest, lowest[r]) << r;
        EXPECT_EQ(rule.highest, highest[r]) << r;
    }
}

}  // namespace
