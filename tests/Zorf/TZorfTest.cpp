#include "Zorf/TZorf.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "DataObject/Data.h"
#include "FuzzyBuilders.h"
#include "KQmessage/KQML.h"
#include "KQmessage/TException.h"

namespace {

struct Refusal {
    std::string message;
    const char* where;
    const char* category = kBadParameter;
};

void ExpectRefusal(const std::function<void()>& action, const Refusal& expected) {
    try {
        action();
        ADD_FAILURE() << "no TException, expected " << expected.message;
    } catch (const TException& e) {
        EXPECT_EQ(e.message, expected.message);
        EXPECT_EQ(e.category, expected.category);
        EXPECT_EQ(e.where, expected.where);
    }
}

// 2 inputs of 3 and 2 membership functions, 4 rules, 1 output of 3 membership functions.
TZorf MakeExample() {
    const std::int32_t mfPerInput[] = {3, 2};
    const std::int32_t mfPerOutput[] = {3};
    return TZorf(2, mfPerInput, 4, mfPerOutput, 1);
}

// 1 input and 1 output of 2 membership functions each, 2 rules; membership function k of
// the input drives rule k (weight 4), rule k drives action node k (weight 2), and the
// output centres are 0 and 1. For an input x in [0, 1] the output is therefore
// a1 / (a0 + a1) with a_k = sigmoid(2 sigmoid(4 m_k)), m_0 = 1 - x and m_1 = x.
TZorf MakeHandChecked() {
    const std::int32_t mfs[] = {2};
    TZorf zorf(1, mfs, 2, mfs, 1);
    zorf.SetWeightLayer(2, std::vector<double>{4, 0, 0, 4});
    zorf.SetWeightLayer(3, std::vector<double>{2, 0, 0, 2});
    zorf.SetWeightLayer(4, std::vector<double>{0, 1});
    return zorf;
}

constexpr double kGenerated[] = {0.482578672287199, 0.545369142651328, 0.454630857348672};

// The rows 0.25, 1 and -1 with the expected outputs 0.5, 1 and 0.
std::unique_ptr<Data> HandCheckedRows() {
    auto data = std::make_unique<Data>(3, 1, 1, false);
    const double rows[][2] = {{0.25, 0.5}, {1, 1}, {-1, 0}};
    for (const auto& row : rows) {
        data->AppendRow(std::span(row, 1), std::span(row + 1, 1), nullptr);
    }
    return data;
}

std::vector<std::int32_t> LayerSizes(const TZorf& zorf) {
    std::vector<std::int32_t> sizes;
    for (std::int32_t k = 0; k < zorf.GetNumLayers(); ++k) {
        sizes.push_back(zorf.GetLayer(k)->GetNumNeurons());
    }
    return sizes;
}

TEST(TZorf, RefusesFewerThanTwoMembershipFunctions) {
    const std::int32_t two[] = {2, 2};
    const std::int32_t one[] = {2, 1};
    ExpectRefusal([&] { TZorf(2, one, 1, two, 1); }, {"Must be >= 2 MF per input", "TZorf::TZorf"});
    ExpectRefusal([&] { TZorf(2, two, 1, one, 2); },
                  {"Must be >= 2 MF per output", "TZorf::TZorf"});
    ExpectRefusal([&] { TZorf(2, one, 1, one, 2); }, {"Must be >= 2 MF per input", "TZorf::TZorf"});
    const TZorf accepted(2, two, 1, two, 2);
    EXPECT_EQ(LayerSizes(accepted), (std::vector<std::int32_t>{0, 2, 4, 1, 4, 2}));
}

TEST(TZorf, BuildsTheSixLayersAndTheirMatrices) {
    const TZorf zorf = MakeExample();
    EXPECT_STREQ(zorf.GetNetworkType(), "Zorf");
    EXPECT_EQ(zorf.GetInLayer(), 1);
    EXPECT_EQ(zorf.GetOutLayer(), 5);
    EXPECT_EQ(LayerSizes(zorf), (std::vector<std::int32_t>{0, 2, 5, 4, 3, 1}));
    const char* types[] = {"Simple", "Input", "FuzzyCondition", "Simple", "Simple", "Defuzzify"};
    const char* functions[] = {"linear", "Zorf-condition", "sigmoid", "sigmoid", "cog"};
    for (std::int32_t k = 0; k < 6; ++k) {
        EXPECT_STREQ(zorf.GetLayer(k)->GetLayerType(), types[k]);
        if (k > 0) {
            EXPECT_EQ(
                zorf.GetFnRegistry().GetFunctionName(zorf.GetLayer(k)->GetActivationFunction()),
                functions[k - 1]);
        }
    }
    const char* matrices[] = {"ToConditionConnections", "Pruneable", "Pruneable",
                              "ToOutputConnections"};
    for (std::int32_t k = 1; k <= 4; ++k) {
        EXPECT_STREQ(zorf.GetConnections(k, k + 1).GetConnectionsNType(), matrices[k - 1]);
        EXPECT_EQ(zorf.GetConnections(k, k + 1).GetFlags(0, 0), FMaskAll);
    }
    EXPECT_FALSE(zorf.GetConnections(1, 3).IsConnected());
    EXPECT_NE(zorf.GetConditionLayer(), nullptr);
    EXPECT_NE(zorf.GetDefuzzifyLayer(), nullptr);
}

TEST(TZorf, DescribesItsArchitecture) {
    const TZorfArchitecture architecture = MakeExample().GetArchitecture();
    EXPECT_EQ(architecture.numInputs, 2);
    EXPECT_EQ(architecture.numConditions, 5);
    EXPECT_EQ(architecture.mfPerInput, (std::vector<std::int32_t>{3, 2}));
    EXPECT_EQ(architecture.numRules, 4);
    EXPECT_EQ(architecture.numActions, 3);
    EXPECT_EQ(architecture.mfPerOutput, (std::vector<std::int32_t>{3}));
    EXPECT_EQ(architecture.numOutputs, 1);
}

TEST(TZorf, LaysOutEachWeightLayer) {
    TZorf zorf = MakeExample();
    EXPECT_EQ(zorf.GetWeightLayer(1), (std::vector<double>{0, 0.5, 1, 0, 1}));
    EXPECT_EQ(zorf.GetWeightLayer(2).size(), 20U);
    EXPECT_EQ(zorf.GetWeightLayer(3).size(), 12U);
    EXPECT_EQ(zorf.GetWeightLayer(4), (std::vector<double>{0, 0, 0}));

    std::vector<double> rules(20);
    for (std::size_t i = 0; i < rules.size(); ++i) {
        rules[i] = static_cast<double>(i);
    }
    zorf.SetWeightLayer(2, rules);
    EXPECT_EQ(zorf.GetWeightLayer(2), rules);
    EXPECT_EQ(zorf.GetWeightValue(2, 3, 1), 13.0);  // from-major: 3 * 4 + 1
    zorf.SetWeightLayer(1, std::vector<double>{0.1, 0.2, 0.3, 0.4, 0.5});
    EXPECT_EQ(zorf.GetWeightValue(1, 1, 4), 0.5);
    zorf.SetWeightLayer(4, std::vector<double>{0.2, 0.4, 0.6});
    EXPECT_EQ(zorf.GetWeightValue(4, 2, 0), 0.6);
    EXPECT_EQ(zorf.GetWeightLayer(4), (std::vector<double>{0.2, 0.4, 0.6}));
}

TEST(TZorf, AcceptsOnlyTheArcsOfTheFuzzyMatrices) {
    TZorf zorf = MakeExample();
    for (std::int32_t i = 0; i < 2; ++i) {
        for (std::int32_t j = 0; j < 5; ++j) {
            const bool belongs = (j < 3) == (i == 0);
            EXPECT_EQ(zorf.WeightExists(1, i, j), belongs);
            if (!belongs) {
                ExpectRefusal([&] { zorf.GetWeightValue(1, i, j); },
                              {"Invalid weight number", "TZorf::GetWeightValue"});
            }
        }
    }
    zorf.SetWeightValue(4, 1, 0, 0.75);
    EXPECT_EQ(zorf.GetWeightValue(4, 1, 0), 0.75);
    EXPECT_TRUE(zorf.WeightExists(4, 2, 0));
}

TEST(TZorf, ReachesPrunedArcsOfTheRuleMatrices) {
    TZorf zorf = MakeExample();
    zorf.GetConnections(2, 3).RemoveArc(4, 1);
    zorf.SetWeightValue(2, 4, 1, 0.7);
    EXPECT_FALSE(zorf.WeightExists(2, 4, 1));
    EXPECT_TRUE(zorf.WeightExists(2, 4, 0));
    EXPECT_EQ(zorf.GetWeightValue(2, 4, 1), 0.7);
}

TEST(TZorf, RefusesEveryBadWeightAccess) {
    TZorf zorf = MakeExample();
    const std::vector<double> weights(20, 0.0);
    struct Case {
        std::function<void()> action;
        Refusal refusal;
    };
    const std::vector<Case> cases = {
        {[&] { zorf.GetWeightValue(0, 0, 0); }, {"Invalid weight layer", "TZorf::GetWeightValue"}},
        {[&] { zorf.GetWeightValue(5, 0, 0); }, {"Invalid weight layer", "TZorf::GetWeightValue"}},
        {[&] { zorf.SetWeightValue(0, 0, 0, 1); },
         {"Invalid weight layer", "TZorf::SetWeightValue"}},
        {[&] { zorf.GetWeightLayer(5); }, {"Invalid weight layer", "TZorf::GetWeightLayer"}},
        {[&] { zorf.SetWeightLayer(0, weights); },
         {"Invalid weight layer", "TZorf::SetWeightLayer"}},
        {[&] { zorf.FreezeWeight(5, 0, 0); }, {"Invalid weight layer", "TZorf::FreezeWeight"}},
        {[&] { zorf.UnfreezeWeight(0, 0, 0); }, {"Invalid weight layer", "TZorf::UnfreezeWeight"}},
        {[&] { zorf.WeightExists(0, 0, 0); }, {"Invalid weight layer", "TZorf::WeightExists"}},
        {[&] { zorf.WeightExists(5, 0, 0); }, {"Invalid weight layer", "TZorf::WeightExists"}},
        {[&] { zorf.GetActivationValue(6, 0); },
         {"Invalid node layer", "TZorf::GetActivationValue"}},
        {[&] { zorf.GetActivationValue(-1, 0); },
         {"Invalid node layer", "TZorf::GetActivationValue"}},
        {[&] { zorf.GetActivationValue(2, 5); },
         {"Invalid node layer", "TZorf::GetActivationValue"}},
        {[&] { zorf.GetWeightValue(4, 0, 1); }, {"Invalid weight number", "TZorf::GetWeightValue"}},
        {[&] { zorf.SetWeightValue(1, 1, 0, 1); },
         {"Invalid weight number", "TZorf::SetWeightValue"}},
        {[&] { zorf.GetWeightValue(2, 5, 0); }, {"Invalid weight number", "TZorf::GetWeightValue"}},
        {[&] { zorf.SetWeightValue(3, 0, -1, 1); },
         {"Invalid weight number", "TZorf::SetWeightValue"}},
        {[&] { zorf.GetWeightValue(4, 3, 0); }, {"Invalid weight number", "TZorf::GetWeightValue"}},
        {[&] { zorf.FreezeWeight(1, 5, 0); }, {"Invalid weight number", "TZorf::FreezeWeight"}},
        {[&] { zorf.UnfreezeWeight(3, 0, 4); }, {"Invalid weight number", "TZorf::UnfreezeWeight"}},
        {[&] { zorf.WeightExists(1, 2, 0); }, {"Invalid node number", "TZorf::WeightExists"}},
        {[&] { zorf.WeightExists(3, 0, 3); }, {"Invalid node number", "TZorf::WeightExists"}},
    };
    const std::vector<double> before = zorf.GetWeightLayer(2);
    for (const Case& c : cases) {
        ExpectRefusal(c.action, c.refusal);
    }
    EXPECT_EQ(zorf.GetWeightLayer(2), before);
}

TEST(TZorf, FreezesInTheConditionNodesAndInTheMatrices) {
    TZorf zorf = MakeExample();
    zorf.FreezeWeight(1, 3, 99);
    EXPECT_EQ(zorf.GetConditionLayer()->Node(3).trainable, 0);
    zorf.UnfreezeWeight(1, 3, 99);
    EXPECT_EQ(zorf.GetConditionLayer()->Node(3).trainable, 1);

    zorf.FreezeWeight(2, 1, 4);
    EXPECT_EQ(zorf.GetConnections(2, 3).GetFlags(4, 1), FMaskExists);
    zorf.UnfreezeWeight(2, 1, 4);
    EXPECT_EQ(zorf.GetConnections(2, 3).GetFlags(4, 1), FMaskAll);
    zorf.FreezeWeight(4, 0, 2);
    EXPECT_EQ(zorf.GetConnections(4, 5).GetFlags(2, 0), FMaskExists);
}

TEST(TZorf, ReadsAndSetsFrozenFlagsInTheWeightLayout) {
    TZorf zorf = MakeExample();
    zorf.GetConnections(2, 3).RemoveArc(1, 2);
    zorf.FreezeWeight(1, 3, 0);
    zorf.FreezeWeight(4, 0, 2);
    EXPECT_EQ(zorf.GetFrozenLayer(1), (std::vector<std::uint8_t>{0, 0, 0, 1, 0}));
    EXPECT_EQ(zorf.GetFrozenLayer(4), (std::vector<std::uint8_t>{0, 0, 1}));
    for (const std::int32_t layer : {1, 2, 3, 4}) {
        const std::size_t size = zorf.GetWeightLayer(layer).size();
        std::vector<std::uint8_t> everyOther(size);
        for (std::size_t i = 0; i < size; i += 2) {
            everyOther[i] = 1;
        }
        zorf.SetFrozenLayer(layer, everyOther);
        if (layer == 2) {
            everyOther[1 * 4 + 2] = 0;  // the removed arc stays absent and never frozen
        }
        EXPECT_EQ(zorf.GetFrozenLayer(layer), everyOther) << layer;
    }
    EXPECT_FALSE(zorf.WeightExists(2, 1, 2));
    ExpectRefusal([&] { zorf.GetFrozenLayer(5); },
                  {"Invalid weight layer", "TZorf::GetFrozenLayer"});
}

TEST(TZorf, InitializesCentresAndRuleWeights) {
    TZorf zorf = MakeExample();
    zorf.SetWeightLayer(1, std::vector<double>(5, 0.3));
    zorf.InitializeWeights(-0.5, 0.5);
    EXPECT_EQ(zorf.GetWeightLayer(1), (std::vector<double>{0, 0.5, 1, 0, 1}));
    EXPECT_EQ(zorf.GetWeightLayer(4), (std::vector<double>{0, 0.5, 1}));
    for (const std::int32_t weightLayer : {2, 3}) {
        for (const double weight : zorf.GetWeightLayer(weightLayer)) {
            EXPECT_GE(weight, -0.5);
            EXPECT_LT(weight, 0.5);
        }
    }
    zorf.InitializeWeights(0.25, 0.25);
    EXPECT_EQ(zorf.GetWeightLayer(3), std::vector<double>(12, 0.25));
    EXPECT_DEATH(zorf.InitializeWeights(1, 0), "Assertion failed: Minimum <= Maximum");
}

TEST(TZorf, RecallsTheGeneratedOutputs) {
    TZorf zorf = MakeHandChecked();
    auto rows = HandCheckedRows();
    const std::unique_ptr<Data> outputs = zorf.RecallOutputOnly(rows.get());
    ASSERT_EQ(outputs->MbrNdxDataRows, 3);
    EXPECT_EQ(outputs->MbrNdxInputs, 0);
    EXPECT_EQ(outputs->MbrNdxOutputs, 1);
    for (std::int32_t r = 0; r < 3; ++r) {
        EXPECT_NEAR(outputs->GetOutputDatum(r, 0), kGenerated[r], 1e-12) << "row " << r;
    }
    EXPECT_NEAR(zorf.GetActivationValue(5, 0), kGenerated[2], 1e-12);
    EXPECT_EQ(zorf.GetActivationValue(2, 0), 1.0);
    EXPECT_EQ(zorf.GetActivationValue(1, 0), -1.0);

    const std::unique_ptr<Data> full = zorf.Recall(rows.get());
    EXPECT_EQ(full->MbrNdxInputs, 1);
    EXPECT_EQ(full->GetInputDatum(0, 0), 0.25);
    EXPECT_EQ(full->GetInputDatum(2, 0), -1.0);
    EXPECT_NEAR(full->GetOutputDatum(1, 0), kGenerated[1], 1e-12);
}

TEST(TZorf, MeasuresTheRootMeanSquareError) {
    TZorf zorf = MakeHandChecked();
    auto rows = HandCheckedRows();
    EXPECT_NEAR(zorf.RecallOutputOnly(rows.get(), TZorf::RmsError), 0.371340784889233, 1e-12);
}

TEST(TZorf, RecallsOnlyTheSelectedInputs) {
    TZorf zorf = MakeHandChecked();
    Data rows(2, 3, 0, false);
    const double first[] = {9, 8, 0.25};
    const double second[] = {7, 6, 1};
    rows.AppendRow(first, {}, nullptr);
    rows.AppendRow(second, {}, nullptr);
    const std::int32_t last[] = {2};
    rows.SelectFeatures(last);
    const std::unique_ptr<Data> recalled = zorf.Recall(&rows);
    EXPECT_EQ(recalled->GetInputDatum(0, 0), 0.25);
    EXPECT_EQ(recalled->GetInputDatum(1, 0), 1.0);
    EXPECT_NEAR(recalled->GetOutputDatum(0, 0), kGenerated[0], 1e-12);
}

TEST(TZorf, RecallsAnEmptyDataSetIntoAnEmptyOne) {
    TZorf zorf = MakeHandChecked();
    Data empty(0, 1, 1, false);
    EXPECT_EQ(zorf.RecallOutputOnly(&empty)->MbrNdxDataRows, 0);
    EXPECT_EQ(zorf.RecallOutputOnly(&empty, TZorf::RmsError), 0.0);
}

TEST(TZorf, RefusesDataSetsItCannotRecall) {
    TZorf zorf = MakeHandChecked();
    ExpectRefusal([&] { zorf.Recall(nullptr); },
                  {"Null data pointer", "TZorf::Recall", kNullPointerParameter});
    ExpectRefusal([&] { zorf.RecallOutputOnly(nullptr); },
                  {"Null data pointer", "TZorf::RecallOutputOnly", kNullPointerParameter});
    ExpectRefusal([&] { zorf.RecallOutputOnly(nullptr, TZorf::RmsError); },
                  {"Null data pointer", "TZorf::RecallOutputOnly", kNullPointerParameter});

    Data wide(1, 3, 1, false);
    wide.AppendRow(std::vector<double>{1, 2, 3}, std::vector<double>{0}, nullptr);
    const Refusal inputs = {"Data set rows deliver 3 inputs, the network takes 1",
                            "TZorf::RecallOutputOnly"};
    ExpectRefusal([&] { zorf.RecallOutputOnly(&wide); }, inputs);
    const std::int32_t two[] = {0, 2};
    wide.SelectFeatures(two);
    ExpectRefusal([&] { zorf.Recall(&wide); },
                  {"Data set rows deliver 2 inputs, the network takes 1", "TZorf::Recall"});

    Data noExpected(1, 1, 0, false);
    noExpected.AppendRow(std::vector<double>{0.5}, {}, nullptr);
    EXPECT_EQ(zorf.RecallOutputOnly(&noExpected)->MbrNdxDataRows, 1);
    ExpectRefusal(
        [&] { zorf.RecallOutputOnly(&noExpected, TZorf::RmsError); },
        {"Data set rows deliver 0 outputs, the network takes 1", "TZorf::RecallOutputOnly"});
}

TEST(TZorf, CopiesRecallAsTheirSource) {
    const TZorf zorf = MakeHandChecked();
    TZorf copy(zorf);
    auto rows = HandCheckedRows();
    EXPECT_NEAR(copy.RecallOutputOnly(rows.get(), TZorf::RmsError), 0.371340784889233, 1e-12);
    EXPECT_EQ(copy.GetWeightLayer(4), (std::vector<double>{0, 1}));
}

TEST(TZorf, StartsEmptyForTheReader) {
    const TZorf zorf;
    EXPECT_EQ(zorf.GetNumLayers(), 6);
    EXPECT_EQ(zorf.GetInLayer(), 1);
    EXPECT_EQ(zorf.GetOutLayer(), 5);
    for (std::int32_t k = 0; k < 6; ++k) {
        EXPECT_EQ(zorf.GetLayer(k), nullptr);
    }
    EXPECT_EQ(zorf.GetConditionLayer(), nullptr);
}

}  // namespace
