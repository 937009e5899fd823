#include "Zorf/StartFromData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "KQmessage/TException.h"

namespace {

// Rows of two inputs in raw units (one of them around 1000) and one-hot outputs of three
// classes, each class a blob of its own.
struct TBlobs {
    std::vector<double> inputs;
    std::vector<double> outputs;
    TZorfRows rows;

    explicit TBlobs(std::int32_t count, std::uint32_t seed = 5) {
        std::mt19937 generator(seed);
        std::normal_distribution<double> noise(0.0, 1.0);
        for (std::int32_t r = 0; r < count; ++r) {
            const std::int32_t label = r % 3;
            inputs.push_back(2.0 * label + 0.3 * noise(generator));
            inputs.push_back(1000.0 + 50.0 * (label == 1 ? 1 : -1) + 10.0 * noise(generator));
            for (std::int32_t k = 0; k < 3; ++k) {
                outputs.push_back(k == label ? 1.0 : 0.0);
            }
        }
        rows = {count, 2, 3, inputs, outputs};
    }
};

TZorfRecipe Recipe(std::int32_t rules, std::uint32_t seed = 1) {
    TZorfRecipe recipe;
    recipe.mfPerInput = {3, 4};
    recipe.numRules = rules;
    recipe.mfPerOutput = {2, 2, 2};
    recipe.seed = seed;
    return recipe;
}

double SquaredError(TZorf& network, const TZorfRows& rows) {
    std::vector<double> generated(static_cast<std::size_t>(rows.numOutputs));
    double sum = 0.0;
    for (std::int64_t r = 0; r < rows.count; ++r) {
        network.Propagate(rows.Inputs(r), generated.data());
        for (std::int32_t k = 0; k < rows.numOutputs; ++k) {
            sum += std::pow(generated[static_cast<std::size_t>(k)] - rows.Outputs(r)[k], 2);
        }
    }
    return sum;
}

double Accuracy(TZorf& network, const TZorfRows& rows) {
    std::vector<double> generated(3);
    std::int32_t right = 0;
    for (std::int64_t r = 0; r < rows.count; ++r) {
        network.Propagate(rows.Inputs(r), generated.data());
        const auto chosen =
            std::max_element(generated.begin(), generated.end()) - generated.begin();
        right += rows.Outputs(r)[chosen] == 1.0 ? 1 : 0;
    }
    return static_cast<double>(right) / static_cast<double>(rows.count);
}

TEST(StartFromData, CentresCoverEachInputsOwnRange) {
    const TBlobs blobs(90);
    const auto network = MakeZorfFromData(Recipe(6), blobs.rows);
    const std::vector<double> centres = network->GetWeightLayer(TZorf::kConditionCentres);
    for (const auto& [first, count, input] : {std::tuple{0, 3, 0}, std::tuple{3, 4, 1}}) {
        double low = HUGE_VAL;
        double high = -HUGE_VAL;
        for (std::int64_t r = 0; r < blobs.rows.count; ++r) {
            low = std::min(low, blobs.rows.Inputs(r)[input]);
            high = std::max(high, blobs.rows.Inputs(r)[input]);
        }
        EXPECT_EQ(centres[first], low);
        EXPECT_EQ(centres[first + count - 1], high);
        for (int k = first + 1; k < first + count; ++k) {
            EXPECT_GT(centres[k], centres[k - 1]);
        }
    }
}

// Against a random start of the same architecture, on inputs nowhere near [0, 1].
TEST(StartFromData, ClassifiesBetterThanARandomStart) {
    const TBlobs blobs(150);
    const auto fromData = MakeZorfFromData(Recipe(6), blobs.rows);
    const auto random = MakeZorf(Recipe(6));
    EXPECT_GE(Accuracy(*fromData, blobs.rows), 0.95);
    EXPECT_LT(SquaredError(*fromData, blobs.rows), 0.5 * SquaredError(*random, blobs.rows));
}

TEST(StartFromData, SameRecipeAndRowsGiveTheSameWeights) {
    const TBlobs blobs(60);
    const auto a = MakeZorfFromData(Recipe(5, 7), blobs.rows);
    const auto b = MakeZorfFromData(Recipe(5, 7), blobs.rows);
    const auto c = MakeZorfFromData(Recipe(5, 8), blobs.rows);
    for (std::int32_t layer = 1; layer <= 4; ++layer) {
        EXPECT_EQ(a->GetWeightLayer(layer), b->GetWeightLayer(layer)) << layer;
    }
    EXPECT_NE(a->GetWeightLayer(TZorf::kRuleWeights), c->GetWeightLayer(TZorf::kRuleWeights));
}

// Where every start finds the same clusters, every seed makes the same rules in the same order:
// the same weights, bit for bit, not the same rules shuffled.
TEST(StartFromData, TheSameClustersMakeTheSameRulesFromEverySeed) {
    const TBlobs blobs(90);
    const auto first = MakeZorfFromData(Recipe(3, 1), blobs.rows);
    for (std::uint32_t seed = 2; seed <= 20; ++seed) {
        const auto network = MakeZorfFromData(Recipe(3, seed), blobs.rows);
        for (std::int32_t layer = 1; layer <= 4; ++layer) {
            EXPECT_EQ(network->GetWeightLayer(layer), first->GetWeightLayer(layer)) << seed;
        }
    }
}

// The fitted output centres are the bounded least-squares optimum: moving any one of them
// inside [0, 1] cannot lower the squared error.
TEST(StartFromData, OutputCentresAreTheBoundedLeastSquaresOptimum) {
    const TBlobs blobs(120, 9);
    const auto network = MakeZorf(Recipe(4));
    FitOutputCentres(*network, blobs.rows);
    const double fitted = SquaredError(*network, blobs.rows);
    const std::vector<double> centres = network->GetWeightLayer(TZorf::kOutputCentres);
    for (std::size_t a = 0; a < centres.size(); ++a) {
        EXPECT_GE(centres[a], 0.0);
        EXPECT_LE(centres[a], 1.0);
        for (const double move : {-0.01, 0.01}) {
            std::vector<double> moved = centres;
            moved[a] = std::clamp(moved[a] + move, 0.0, 1.0);
            network->SetWeightLayer(TZorf::kOutputCentres, moved);
            EXPECT_GE(SquaredError(*network, blobs.rows), fitted - 1e-9) << a << " " << move;
        }
        network->SetWeightLayer(TZorf::kOutputCentres, centres);
    }
}

TEST(StartFromData, ConstantInputIsSpreadAroundItsValueAndReported) {
    std::vector<double> inputs = {4.0, 1.0, 4.0, 2.0, 4.0, 3.0};
    std::vector<double> outputs = {0.0, 0.5, 1.0};
    TZorfRecipe recipe;
    recipe.mfPerInput = {3, 2};
    recipe.numRules = 2;
    recipe.mfPerOutput = {2};
    TStartReport report;
    const auto network = MakeZorfFromData(recipe, {3, 2, 1, inputs, outputs}, &report);
    EXPECT_EQ(report.constantInputs, std::vector<std::int32_t>{0});
    const std::vector<double> centres = network->GetWeightLayer(TZorf::kConditionCentres);
    EXPECT_EQ(centres, (std::vector<double>{3.5, 4.0, 4.5, 1.0, 3.0}));
}

TEST(StartFromData, RefusesRowsItCannotStartFrom) {
    const TBlobs blobs(9);
    std::vector<double> bad = blobs.inputs;
    bad[5] = NAN;
    std::vector<double> outside = blobs.outputs;
    outside[4] = 1.5;
    const struct {
        TZorfRows rows;
        std::int32_t rules;
        std::string message;
    } cases[] = {
        {{9, 2, 3, bad, blobs.outputs}, 2, "row 3, input 2: not a finite number"},
        {{9, 2, 3, blobs.inputs, outside},
         2,
         "row 2, expected output 2: outside [0, 1], which a network's outputs cannot leave"},
        {blobs.rows, 10, "there are 9 rows for 10 rules; a rule needs a row at least"},
        {{9, 2, 2, blobs.inputs, blobs.outputs},
         2,
         "the rows have 2 inputs and 2 expected outputs; the network is to have 2 and 3"},
    };
    for (const auto& c : cases) {
        try {
            MakeZorfFromData(Recipe(c.rules), c.rows);
            ADD_FAILURE() << c.message;
        } catch (const TException& e) {
            EXPECT_EQ(e.message, c.message);
        }
    }
}

}  // namespace
