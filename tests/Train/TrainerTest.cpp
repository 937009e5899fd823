#include "Train/Trainer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "DataObject/Data.h"
#include "FileHandler/NetworkFile/NetworkFileWriter.h"
#include "KQmessage/KQML.h"
#include "NeuralNets/TErrorObj.h"
#include "Support/TempDir.h"
#include "Train/EpochEvaluator.h"
#include "Train/TrainObjective.h"
#include "Zorf/MakeZorf.h"
#include "Zorf/TZorf.h"

namespace {

// Rows of the smooth surface z = 0.3 + 0.4 x y on the unit square.
std::unique_ptr<Data> SurfaceRows(std::int32_t count, std::uint32_t seed) {
    auto rows = std::make_unique<Data>(count, 2, 1, false);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (std::int32_t r = 0; r < count; ++r) {
        const std::vector<double> in = {unit(random), unit(random)};
        const std::vector<double> out = {0.3 + 0.4 * in[0] * in[1]};
        rows->AppendRow(in, out, nullptr);
    }
    return rows;
}

std::unique_ptr<TZorf> SmallNetwork(std::uint32_t seed) {
    TZorfRecipe recipe;
    recipe.mfPerInput = {3, 3};
    recipe.numRules = 6;
    recipe.mfPerOutput = {3};
    recipe.seed = seed;
    recipe.minimum = -2.0;
    recipe.maximum = 2.0;
    return MakeZorf(recipe);
}

// The objective as the error measures define the reported error, computed apart from the
// trainer: the square of RMS, or cross-entropy over the rows; the penalty on the trainable
// rule and action weights.
double PlainObjective(TZorf& network, const TTrainRows& rows, bool crossEntropy,
                      const TKQstructure* penalty, const std::vector<double>& parameters,
                      std::span<const std::uint8_t> layerOf, double* reported) {
    TErrorRMSObj rms(rows.numOutputs);
    TErrorCrossEntropyObj entropy(rows.numOutputs);
    TErrorObj& measure = crossEntropy ? static_cast<TErrorObj&>(entropy) : rms;
    std::vector<double> outputs(static_cast<std::size_t>(rows.numOutputs));
    for (std::int32_t r = 0; r < rows.count; ++r) {
        network.Propagate(rows.Inputs(r), outputs.data());
        measure.AddPattern(rows.Outputs(r), outputs.data());
    }
    std::vector<double> weighed;
    for (std::size_t p = 0; p < parameters.size(); ++p) {
        if (layerOf[p] == TZorf::kRuleWeights || layerOf[p] == TZorf::kActionWeights) {
            weighed.push_back(parameters[p]);
        }
    }
    measure.AddPenalty(static_cast<std::int32_t>(weighed.size()), weighed.data(), penalty);
    *reported = measure.GetError();
    return crossEntropy ? *reported / rows.count : *reported * *reported;
}

// The gradient the trainer steps along is that of the objective whose value the run reports,
// error measure and penalty together, for either measure.
TEST(TrainerTest, GradientMatchesCentralDifferencesOfTheWholeObjective) {
    const struct {
        const char* measure;
        const char* penalty;
    } cases[] = {
        {"RMS", "none"},
        {"RMS", "(QUADPENALTY :EPSILON1 0.5 :EPSILON2 0.05 :BETA 3)"},
        {"RMS", "(LWF :LEARNINGRATE 0.5 :FORGETTINGRATE 0.4)"},
        {"CrossEntropy", "none"},
        {"CrossEntropy", "(QUADPENALTY :EPSILON1 0.5 :EPSILON2 0.05 :BETA 3)"},
        {"CrossEntropy", "(LWF :LEARNINGRATE 0.5 :FORGETTINGRATE 0.4)"},
    };
    std::uint32_t seed = 0;
    for (const auto& c : cases) {
        const std::unique_ptr<TZorf> network = SmallNetwork(++seed);
        const std::unique_ptr<Data> data = SurfaceRows(30, seed);
        const TTrainRows rows = ReadTrainRows(*data, *network, "training");
        TTrainSettings settings;
        SetTrainSetting(settings, "ErrorMeasure", c.measure);
        SetTrainSetting(settings, "Penalty", c.penalty);
        const std::string penaltyText = c.penalty;
        const char* cursor = penaltyText.c_str();
        const std::unique_ptr<TKQstructure> penalty =
            penaltyText == "none" ? nullptr : TKQstructure::ParseText(cursor);
        const bool crossEntropy = std::string(c.measure) == "CrossEntropy";

        TTrainObjective objective(*network, rows, settings);
        std::vector<std::int32_t> all;
        for (std::int32_t r = 0; r < rows.count; ++r) {
            all.push_back(r);
        }
        const double error = objective.Evaluate(all, true);
        const std::vector<double> analytic(objective.Gradient().begin(),
                                           objective.Gradient().end());
        std::vector<double> parameters(objective.Parameters().begin(),
                                       objective.Parameters().end());
        const auto plain = [&](double* reported) {
            return PlainObjective(*network, rows, crossEntropy, penalty.get(), parameters,
                                  objective.LayerOf(), reported);
        };
        double reported = 0.0;
        plain(&reported);
        EXPECT_DOUBLE_EQ(error, reported) << c.measure << " " << c.penalty;
        const double h = 1e-6;
        for (std::size_t p = 0; p < parameters.size(); ++p) {
            const double kept = parameters[p];
            parameters[p] = kept + h;
            objective.SetParameters(parameters);
            const double up = plain(&reported);
            parameters[p] = kept - h;
            objective.SetParameters(parameters);
            const double down = plain(&reported);
            parameters[p] = kept;
            objective.SetParameters(parameters);
            const double numeric = (up - down) / (2 * h);
            EXPECT_NEAR(analytic[p], numeric, 1e-7 + 1e-5 * std::fabs(numeric))
                << c.measure << " " << c.penalty << ": parameter " << p << " of weight layer "
                << int(objective.LayerOf()[p]);
        }
    }
}

// Every optimizer, on a small smooth problem, brings the training error below a level the
// best constant (RMS 0.07) does not reach, within the epochs given.
TEST(TrainerTest, EveryOptimizerLearnsASmallSurface) {
    const struct {
        const char* algorithm;
        std::int32_t epochs;
        double level;
        std::vector<std::pair<const char*, const char*>> settings;
    } cases[] = {
        {"RPROP", 100, 0.02, {}},
        {"Backprop", 100, 0.02, {{"LearningRate", "0.5"}, {"BatchSize", "10"}}},
        {"Adam", 100, 0.02, {{"LearningRate", "0.05"}, {"BatchSize", "20"}}},
    };
    for (const auto& c : cases) {
        const std::unique_ptr<TZorf> network = SmallNetwork(7);
        const std::unique_ptr<Data> rows = SurfaceRows(60, 7);
        TTrainSettings settings;
        SetTrainSetting(settings, "Algorithm", c.algorithm);
        SetTrainSetting(settings, "Epochs", std::to_string(c.epochs));
        SetTrainSetting(settings, "TargetError", std::to_string(c.level));
        for (const auto& [keyword, value] : c.settings) {
            SetTrainSetting(settings, keyword, value);
        }
        const TTrainResult result = Train(*network, *rows, nullptr, settings);
        EXPECT_LE(result.Best().trainingError, c.level)
            << c.algorithm << ": epoch " << result.Best().epoch << " of "
            << result.history.size() - 1 << ", start " << result.history.front().trainingError;
    }
}

// The network file and every epoch's errors are the same bits on any number of threads, for
// full batches and for batches spanning blocks; and the blocks cover every row once.
TEST(TrainerTest, AnyNumberOfThreadsTrainsTheSameBits) {
    const std::unique_ptr<Data> rows = SurfaceRows(7 * kTrainBlockRows + 5, 11);
    const TTempDir folder;
    for (const char* algorithm : {"RPROP", "Adam"}) {
        std::string first;
        std::vector<double> firstErrors;
        for (const char* threads : {"1", "2", "7"}) {
            const std::unique_ptr<TZorf> network = SmallNetwork(5);
            TTrainSettings settings;
            SetTrainSetting(settings, "Algorithm", algorithm);
            SetTrainSetting(settings, "Epochs", "4");
            SetTrainSetting(settings, "BatchSize", std::to_string(3 * kTrainBlockRows - 7));
            SetTrainSetting(settings, "Threads", threads);
            const TTrainRows all = ReadTrainRows(*rows, *network, "training");
            double plain = 0.0;
            PlainObjective(*network, all, false, nullptr, {}, {}, &plain);
            const TTrainResult result = Train(*network, *rows, nullptr, settings);
            EXPECT_NEAR(result.history.front().trainingError, plain, 1e-15);
            std::vector<double> errors;
            for (const TEpochRecord& record : result.history) {
                errors.push_back(record.trainingError);
            }
            FileTools::SaveNetwork(folder.File("trained.net"), *network);
            if (first.empty()) {
                first = folder.Read("trained.net");
                firstErrors = errors;
            }
            EXPECT_EQ(folder.Read("trained.net"), first) << algorithm << ", threads " << threads;
            EXPECT_EQ(errors, firstErrors) << algorithm << ", threads " << threads;
        }
    }
}

// Blocks finished out of turn still add in row order: pass after pass on 7 threads gives the
// bits of the blocks summed one by one, as a cluster's workers sum them, and added in order.
TEST(TrainerTest, BlocksAddInRowOrderWhicheverThreadEndsFirst) {
    const std::unique_ptr<TZorf> network = SmallNetwork(5);
    const std::unique_ptr<Data> data = SurfaceRows(7 * kTrainBlockRows + 5, 11);
    const TTrainRows rows = ReadTrainRows(*data, *network, "training");
    TTrainSettings settings;
    settings.threads = 7;
    TTrainObjective objective(*network, rows, settings);
    std::vector<std::int32_t> all(static_cast<std::size_t>(rows.count));
    std::iota(all.begin(), all.end(), 0);
    const std::vector<double> parameters(objective.Parameters().begin(),
                                         objective.Parameters().end());
    const TBlockSums blocks =
        SumTrainBlocks(*network, settings, rows, parameters, 1.0 / rows.count, true, false);
    TErrorRMSObj error(rows.numOutputs);
    std::vector<double> gradient(parameters.size(), 0.0);
    std::int32_t right = 0;
    AddBlockSums(blocks.errorSums, blocks.rows, blocks.right, blocks.gradients, error, gradient,
                 right);
    for (int pass = 0; pass < 100; ++pass) {
        ASSERT_EQ(objective.Evaluate(all, true), error.GetError()) << "pass " << pass;
        ASSERT_TRUE(std::equal(gradient.begin(), gradient.end(), objective.Gradient().begin()))
            << "pass " << pass;
    }
}

// A stop requested before the first step still leaves the start network measured, as the
// best epoch of an interrupted run.
TEST(TrainerTest, AStopBeforeTheFirstStepKeepsTheStartNetworkMeasured) {
    const std::unique_ptr<TZorf> network = SmallNetwork(3);
    const std::unique_ptr<Data> rows = SurfaceRows(20, 3);
    const std::vector<double> start = network->GetWeightLayer(TZorf::kRuleWeights);
    const std::atomic<bool> stop = true;
    const TTrainResult result = Train(*network, *rows, nullptr, TTrainSettings(), {}, &stop);
    EXPECT_TRUE(result.interrupted);
    ASSERT_EQ(result.history.size(), 1U);
    EXPECT_EQ(result.Best().epoch, 0);
    EXPECT_EQ(network->GetWeightLayer(TZorf::kRuleWeights), start);
}

}  // namespace

namespace {

// An input in its own units trains as the same input over [0, 1]: its centres' gaps and every
// optimizer's steps go with the span of its centres, so shifting and stretching the input
// (here x -> 1000 x + 5000) shifts and stretches the trained centres and nothing else.
TEST(TrainerTest, AnInputInItsOwnUnitsTrainsAsItsScaledCopy) {
    const std::vector<std::vector<std::pair<const char*, const char*>>> cases = {
        {{"Algorithm", "RPROP"}},
        {{"Algorithm", "Backprop"}, {"LearningRate", "0.5"}},
        {{"Algorithm", "Adam"}, {"LearningRate", "0.05"}},
    };
    const auto stretch = [](double x) { return 1000.0 * x + 5000.0; };
    for (const auto& settingsOf : cases) {
        TTrainSettings settings;
        SetTrainSetting(settings, "Epochs", "30");
        for (const auto& [keyword, value] : settingsOf) {
            SetTrainSetting(settings, keyword, value);
        }
        const std::unique_ptr<Data> unitRows = SurfaceRows(60, 3);
        auto ownRows = std::make_unique<Data>(60, 2, 1, false);
        std::vector<double> in(2);
        std::vector<double> out(1);
        unitRows->Rewind();
        for (std::int32_t r = 0; r < 60; ++r) {
            unitRows->GetNext(in, out);
            in[0] = stretch(in[0]);
            ownRows->AppendRow(in, out, nullptr);
        }
        const std::unique_ptr<TZorf> unit = SmallNetwork(5);
        const std::unique_ptr<TZorf> own = SmallNetwork(5);
        std::vector<double> centres = own->GetWeightLayer(TZorf::kConditionCentres);
        for (std::size_t j = 0; j < 3; ++j) {
            centres[j] = stretch(centres[j]);
        }
        own->SetWeightLayer(TZorf::kConditionCentres, centres);
        Train(*unit, *unitRows, nullptr, settings);
        Train(*own, *ownRows, nullptr, settings);
        const std::vector<double> trained = unit->GetWeightLayer(TZorf::kConditionCentres);
        const std::vector<double> trainedOwn = own->GetWeightLayer(TZorf::kConditionCentres);
        for (std::size_t j = 0; j < trained.size(); ++j) {
            const double expected = j < 3 ? stretch(trained[j]) : trained[j];
            EXPECT_NEAR(trainedOwn[j], expected, j < 3 ? 1e-6 : 1e-9) << settingsOf[0].second;
        }
        EXPECT_NE(trained, SmallNetwork(5)->GetWeightLayer(TZorf::kConditionCentres));
    }
}

}  // namespace

namespace {

std::unique_ptr<TZorf> ClassNetwork(std::uint32_t seed) {
    TZorfRecipe recipe{{3, 3}, 6, {2, 2}, seed, -2.0, 2.0, 0.0};
    return MakeZorf(recipe);
}

// Two overlapping classes of points on the unit square, one-hot.
std::unique_ptr<Data> ClassRows(std::int32_t count, std::uint32_t seed) {
    auto rows = std::make_unique<Data>(count, 2, 2, false);
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 0.2);
    for (std::int32_t r = 0; r < count; ++r) {
        const double label = r % 2;
        const std::vector<double> in = {std::clamp(0.3 + 0.4 * label + noise(random), 0.0, 1.0),
                                        std::clamp(0.5 + noise(random), 0.0, 1.0)};
        const std::vector<double> out = {1.0 - label, label};
        rows->AppendRow(in, out, nullptr);
    }
    return rows;
}

// With one-hot validation rows the run keeps the most accurate epoch (the lowest error among
// equals), reports cross-entropy per row, and stops once the default patience ran out.
TEST(TrainerTest, AClassifierKeepsItsMostAccurateEpoch) {
    const std::unique_ptr<TZorf> network = ClassNetwork(3);
    const std::unique_ptr<Data> training = ClassRows(80, 1);
    const std::unique_ptr<Data> validation = ClassRows(30, 2);
    TTrainSettings settings;
    SetTrainSetting(settings, "ErrorMeasure", "CrossEntropy");
    SetTrainSetting(settings, "Epochs", "2000");
    const std::unique_ptr<TZorf> start = ClassNetwork(3);
    const TTrainResult result = Train(*network, *training, validation.get(), settings);
    const TEpochRecord& kept = result.Best();
    for (const TEpochRecord& record : result.history) {
        ASSERT_TRUE(record.accuracy);
        EXPECT_TRUE(*record.accuracy < *kept.accuracy ||
                    (*record.accuracy == *kept.accuracy &&
                     *record.validationError >= *kept.validationError))
            << record.epoch;
    }
    EXPECT_EQ(result.history.back().epoch, kept.epoch + kDefaultPatience);
    EXPECT_EQ(ClassificationAccuracy(*network, *validation), kept.accuracy);

    TErrorCrossEntropyObj entropy(2);
    std::vector<double> in(2);
    std::vector<double> expected(2);
    std::vector<double> generated(2);
    training->Rewind();
    for (std::int32_t r = 0; r < 80; ++r) {
        training->GetNext(in, expected);
        start->Propagate(in.data(), generated.data());
        entropy.AddPattern(expected.data(), generated.data());
    }
    EXPECT_DOUBLE_EQ(result.history.front().trainingError, entropy.GetError() / 80);
}

TEST(TrainerTest, AValidationShareHoldsOutRowsOfEachClassFromTheSeed) {
    const std::unique_ptr<Data> rows = ClassRows(40, 4);
    const auto run = [&](const char* seed) {
        const std::unique_ptr<TZorf> network = ClassNetwork(3);
        TTrainSettings settings;
        SetTrainSetting(settings, "Epochs", "5");
        SetTrainSetting(settings, "ValidationShare", "0.25");
        SetTrainSetting(settings, "Seed", seed);
        return Train(*network, *rows, nullptr, settings).history.back();
    };
    const TEpochRecord first = run("1");
    ASSERT_TRUE(first.validationError);
    EXPECT_EQ(run("1").validationError, first.validationError);
    EXPECT_NE(run("2").validationError, first.validationError);
    // Ten of the forty rows, five of each class: the accuracy is a multiple of a tenth.
    EXPECT_DOUBLE_EQ(std::round(*first.accuracy * 10.0), *first.accuracy * 10.0);

    TTrainSettings all;
    SetTrainSetting(all, "ValidationShare", "0.9");
    const std::unique_ptr<Data> two = ClassRows(2, 4);
    EXPECT_THROW(Train(*ClassNetwork(3), *two, nullptr, all), TTrainRefusal);
}

}  // namespace

// Restarts keep the best run: its best epoch outranks every other run's, the first run is the
// run without restarts, the runs differ, the network holds the kept run's best weights (as a
// plain measure of it shows) and a frozen arc keeps its weight through every restart.
TEST(TrainerTest, RestartsKeepTheBestRunAndLeaveFrozenArcs) {
    const std::unique_ptr<Data> rows = SurfaceRows(60, 7);
    const auto trained = [&](const char* restarts, std::unique_ptr<TZorf>& network) {
        network = SmallNetwork(7);
        network->FreezeWeight(TZorf::kRuleWeights, 2, 1);
        TTrainSettings settings;
        SetTrainSetting(settings, "Epochs", "30");
        SetTrainSetting(settings, "Restarts", restarts);
        return Train(*network, *rows, nullptr, settings);
    };
    std::unique_ptr<TZorf> single;
    std::unique_ptr<TZorf> network;
    const TTrainResult one = trained("1", single);
    const TTrainResult result = trained("4", network);
    ASSERT_EQ(result.runBests.size(), 4U);
    EXPECT_EQ(result.runBests[0].trainingError, one.Best().trainingError);
    EXPECT_NE(result.runBests[1].trainingError, result.runBests[2].trainingError);
    for (const TEpochRecord& run : result.runBests) {
        EXPECT_LE(result.Best().trainingError, run.trainingError);
    }
    ASSERT_LT(result.keptRun, 3);  // the network holds restored weights, not the last run's
    EXPECT_EQ(result.Best().trainingError,
              result.runBests[static_cast<std::size_t>(result.keptRun)].trainingError);
    double measured = 0.0;
    PlainObjective(*network, ReadTrainRows(*rows, *network, "training"), false, nullptr, {}, {},
                   &measured);
    EXPECT_NEAR(measured, result.Best().trainingError, 1e-15);
    EXPECT_EQ(network->GetWeightValue(TZorf::kRuleWeights, 1, 2),
              SmallNetwork(7)->GetWeightValue(TZorf::kRuleWeights, 1, 2));
}
