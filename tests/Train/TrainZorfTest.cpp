#include "Train/TrainZorf.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "FileHandler/NetworkFile/NetworkFileWriter.h"
#include "Support/TempDir.h"
#include "Zorf/MakeZorf.h"

namespace {

struct TTrainOutcome {
    int status = 0;
    std::string out;
    std::string err;
};

class TrainZorfTest : public testing::Test {
  protected:
    TTempDir folder;

    void SetUp() override {
        TZorfRecipe recipe;
        recipe.mfPerInput = {5, 5};
        recipe.numRules = 12;
        recipe.mfPerOutput = {5};
        FileTools::SaveNetwork(folder.File("start.net"), *MakeZorf(recipe));
        recipe.mfPerOutput = {2, 2, 2};
        FileTools::SaveNetwork(folder.File("classes-start.net"), *MakeZorf(recipe));
    }

    std::string Example(const std::string& name) const {
        return std::string(ZORF_EXAMPLES_DIR) + "/" + name;
    }

    // WeightFile, OutputWeightFile and TrainFile in the folder unless `settings` names them.
    TTrainOutcome Run(const std::string& settings) {
        const std::string text = "WeightFile = " + folder.File("start.net") +
                                 "\nOutputWeightFile = " + folder.File("out.net") +
                                 "\nTrainFile = " + Example("surface-train.dat") + "\n" + settings;
        const std::string path = folder.Write("train.par", text);
        const char* argv[] = {"TrainZorf", path.c_str()};
        std::ostringstream out;
        std::ostringstream err;
        TTrainOutcome outcome;
        outcome.status = RunTrainZorf(2, argv, out, err);
        outcome.out = out.str();
        outcome.err = err.str();
        return outcome;
    }
};

TEST_F(TrainZorfTest, RefusesBadInputWithAMessageAndWritesNothing) {
    folder.Write("wide.dat",
                 "[FormatVersion = 1.0]\n[DataSet]\n[Rows = 1]\n[Inputs = 3]\n"
                 "[ExpectedOutputs = 1]\n[GeneratedOutputs = 0]\n[Error = 0]\n[Data]\n"
                 "0.1 0.2 0.3 0.5\n[~Data]\n[~DataSet]\n");
    TZorfRecipe pruned{{2, 2}, 3, {2}};
    pruned.pruneShare = 1.0;
    FileTools::SaveNetwork(folder.File("pruned.net"), *MakeZorf(pruned));
    folder.Write("broken.dat", "[FormatVersion = 1.0]\n[DataSet]\n[Rows = 1]\n[Inputs = two]\n");
    const std::string basic =
        std::string(ZORF_TEST_DATA_DIR) + "/regressions/NetworkFile/empty-matrices.net";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"TrainFile = " + folder.File("wide.dat"), "delivers 3 inputs per row"},
        {"TrainFile = " + Example("comfort.dat"), "no expected outputs"},
        {"WeightFile = " + basic, ""},
        {"Algorithm = RPORP", "Algorithm must be RPROP, Backprop or Adam, not \"RPORP\""},
        {"Epochs = -3", "Epochs must be a whole number"},
        {"Penalty = (QUADPENALTY :EPSILON1 abc)", "Penalty must be a penalty"},
        {"Penalty = (LWF :LEARNINGRATE 0.1 :FORGETINGRATE 0.1)", "key FORGETINGRATE"},
        {"Penalty = (LWF :LEARNINGRATE 0.1", "never closed"},
        {"TrainLayers = 5", "TrainLayers must be weight layers"},
        {"Epochs = 08", "Epochs needs an integer, found 08"},
        {"Penalty = (QUADPENALTY :EPSILON1 -100 :BETA 10)", "EPSILON1 is from 0 and at most"},
        {"Penalty = (QUADPENALTY :EPSILON1 0.1 :BETA 0)", "BETA is above 0 and at most"},
        {"Penalty = (LWF :LEARNINGRATE 1e200 :FORGETTINGRATE 0.1)", "at most 1000000"},
        {"Algorithm = Adam\nLearningRate = 1e7", "a number above 0, at most 1000000"},
        {"WeightFile = " + folder.File("pruned.net") + "\nTrainLayers = 2 3", "Nothing to train"},
        {"OutputWeightFile = " + folder.File("no/out.net"), "Unable to write"},
        {"TrainingLog = " + folder.File("no/run.log"), "Unable to write"},
        {"WeightFile = " + folder.File("missing.net"),
         "TrainZorf: " + folder.File("missing.net") + ": No such file or directory"},
        {"TrainFile = " + folder.File("broken.dat"),
         "TrainZorf: " + folder.File("broken.dat") + ", line 4"},
        {"ValidationFile = " + folder.File("broken.dat"),
         "TrainZorf: " + folder.File("broken.dat") + ", line 4"},
        {"MinCentreGap = 2", "MinCentreGap must be"},
    };
    for (const auto& [settings, message] : cases) {
        const TTrainOutcome outcome = Run(settings);
        EXPECT_EQ(outcome.status, 1) << settings;
        EXPECT_NE((outcome.err + outcome.out).find(message), std::string::npos)
            << settings << ": " << outcome.err << outcome.out;
        EXPECT_EQ(folder.Read("out.net"), "") << settings;
    }
}

TEST_F(TrainZorfTest, NeverWritesOverOneOfItsInputs) {
    const std::string network = folder.Read("start.net");
    folder.Write("rows.dat", "rows");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"OutputWeightFile = " + folder.File("start.net"), "network file"},
        {"OutputWeightFile = " + folder.Path().string() + "/./train.par", "parameter file"},
        {"TrainingLog = " + folder.File("start.net"), "network file"},
        {"ValidationFile = " + folder.File("rows.dat") +
             "\nTrainingLog = " + folder.File("rows.dat"),
         "validation file"},
        {"TrainingLog = " + folder.Path().string() + "/./out.net", ""},
    };
    for (const auto& [settings, role] : cases) {
        const TTrainOutcome outcome = Run(settings);
        EXPECT_EQ(outcome.status, 1) << settings;
        EXPECT_EQ(outcome.err, role.empty() ? "The training log is also the output weight file\n"
                                            : "The output file is also the " + role + "\n")
            << settings;
        EXPECT_EQ(folder.Read("start.net"), network) << settings;
        EXPECT_EQ(folder.Read("out.net"), "") << settings;
    }
}

TEST_F(TrainZorfTest, SameSettingsGiveTheSameFileByteForByte) {
    for (const std::string algorithm :
         {"Algorithm = RPROP", "Algorithm = Backprop\nBatchSize = 16\nSeed = 3",
          "Algorithm = Adam\nBatchSize = 50 Penalty = (QUADPENALTY :EPSILON1 0.0001 :BETA 10)",
          "Algorithm = RPROP\nRestarts = 3"}) {
        ASSERT_EQ(Run(algorithm + "\nEpochs = 20").status, 0) << algorithm;
        const std::string first = folder.Read("out.net");
        ASSERT_EQ(Run(algorithm + "\nEpochs = 20").status, 0);
        EXPECT_EQ(folder.Read("out.net"), first) << algorithm;
        EXPECT_NE(first, folder.Read("start.net"));
    }
}

TEST_F(TrainZorfTest, RestartsNameEachRunAndTheRunKept) {
    const TTrainOutcome outcome = Run("Restarts = 2\nEpochs = 5");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    for (const char* line : {"run 1 of 2\nepoch 0 ", "epoch 5 ", "run 2 of 2\nepoch 0 ",
                             "run 2: best epoch ", "kept run "}) {
        EXPECT_NE(outcome.out.find(line), std::string::npos) << line << "\n" << outcome.out;
    }
}

TEST_F(TrainZorfTest, ZeroEpochsMeasuresAndChangesNothing) {
    folder.Write("out.net", "earlier");
    const TTrainOutcome outcome = Run("Epochs = 0\nTrainingLog = " + folder.File("run.log"));
    EXPECT_EQ(folder.Read("run.log"), "");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("best epoch 0  measured 0."), std::string::npos) << outcome.out;
    EXPECT_EQ(outcome.out.find("training"), std::string::npos) << outcome.out;
    EXPECT_EQ(folder.Read("out.net"), "earlier");
}

// A signal at any moment of a run on a large training set: before the handler, the system's
// default ends the run; after it, the run ends with status 1 and a message, writing a whole
// network only if one was measured. Never a crash.
TEST_F(TrainZorfTest, ASignalAtAnyMomentEndsTheRunCleanly) {
    std::string rows;
    constexpr int kRows = 100000;
    rows.reserve(kRows * 16);
    for (int r = 0; r < kRows; ++r) {
        rows += r % 2 == 0 ? "0.1 0.7 0.25\n" : "0.8 0.3 0.75\n";
    }
    folder.Write("large.dat", "[FormatVersion = 1.0]\n[DataSet]\n[Rows = " + std::to_string(kRows) +
                                  "]\n[Inputs = 2]\n[ExpectedOutputs = 1]\n[GeneratedOutputs = "
                                  "0]\n[Error = 0]\n[Data]\n" +
                                  rows + "[~Data]\n[~DataSet]\n");
    folder.Write("large.par", "WeightFile = " + folder.File("start.net") +
                                  "\nTrainFile = " + folder.File("large.dat") +
                                  "\nOutputWeightFile = " + folder.File("out.net") +
                                  "\nEpochs = 3\nPruneBelow = 0.5\nFineTuneEpochs = 2\n");
    // A fine grid of delays, so that some land between the handler and epoch 0 on any machine.
    for (int milliseconds = 20; milliseconds <= 500; milliseconds += 20) {
        const std::string delay = std::to_string(milliseconds / 1000.0);
        std::filesystem::remove(folder.File("out.net"));
        const std::string command = "timeout -s INT " + delay + " " + ZORF_TRAIN_BINARY + " " +
                                    folder.File("large.par") + " > " + folder.File("report.txt") +
                                    " 2>&1";
        const int status = std::system(command.c_str());
        const std::string report = folder.Read("report.txt");
        if (WIFSIGNALED(status)) {
            EXPECT_EQ(WTERMSIG(status), SIGINT) << delay << ": " << report;
            continue;
        }
        ASSERT_TRUE(WIFEXITED(status)) << delay;
        // timeout answers 124 when the run ended by the signal with its own status.
        const int code = WEXITSTATUS(status) == 124 ? 1 : WEXITSTATUS(status);
        EXPECT_TRUE(code == 0 || code == 1) << delay << ": " << report;
        // The network written is the one of the best epoch reported, which was measured.
        const std::size_t named = report.find("so far (epoch ");
        if (named != std::string::npos) {
            const std::string epoch =
                report.substr(named + 14, report.find(')', named) - named - 14);
            EXPECT_NE(report.find("best epoch " + epoch + " "), std::string::npos) << report;
            EXPECT_NE(report.find("epoch " + epoch + "  "), std::string::npos) << report;
        }
        const std::string written = folder.Read("out.net");
        EXPECT_TRUE(written.empty() || written.find("[~NeuralNetwork]") != std::string::npos)
            << delay;
        if (report.find("nothing written") != std::string::npos) {
            EXPECT_EQ(written, "") << delay;
        }
    }
}

// The README's surface example, its start network and settings: on the held-out rows the
// trained network is far better than the start network and than the best constant (the
// training rows' mean, held-out RMS 0.194), and reaches the error the README states.
TEST_F(TrainZorfTest, LearnsTheSmoothSurfaceOnHeldOutRows) {
    TZorfRecipe recipe;
    recipe.mfPerInput = {7, 7};
    recipe.numRules = 25;
    recipe.mfPerOutput = {7};
    FileTools::SaveNetwork(folder.File("start.net"), *MakeZorf(recipe));
    ASSERT_EQ(Run("Epochs = 300").status, 0);
    const auto heldOut = [this](const std::string& network) {
        const std::string text = "WeightFile = " + network +
                                 "\nTrainFile = " + Example("surface-test.dat") + "\nEpochs = 0\n";
        const std::string path = folder.Write("measure.par", text);
        const char* argv[] = {"TrainZorf", path.c_str()};
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(RunTrainZorf(2, argv, out, err), 0) << err.str();
        const std::string report = out.str();
        const std::size_t at = report.find("best epoch 0  measured ") + 23;
        return std::stod(report.substr(at));
    };
    const double start = heldOut(folder.File("start.net"));
    const double trained = heldOut(folder.File("out.net"));
    EXPECT_LT(trained * 10, start);
    EXPECT_LT(trained * 10, 0.194);
    EXPECT_LT(trained, 0.0026);
}

TEST_F(TrainZorfTest, ClassifiesHeldOutRowsAndPrunesWithForgetting) {
    const std::string settings = "WeightFile = " + folder.File("classes-start.net") +
                                 "\nTrainFile = " + Example("classes-train.dat") +
                                 "\nValidationFile = " + Example("classes-test.dat") +
                                 "\nEpochs = 200\nPenalty = (LWF :LEARNINGRATE 0.01 "
                                 ":FORGETTINGRATE 0.1)\nPruneBelow = 0.1\nFineTuneEpochs = 50\n";
    const TTrainOutcome outcome = Run(settings);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("pruned "), std::string::npos) << outcome.out;
    const std::size_t at = outcome.out.find("validation accuracy ");
    ASSERT_NE(at, std::string::npos) << outcome.out;
    EXPECT_GT(std::stod(outcome.out.substr(at + 20)), 0.9) << outcome.out;
}

// SIGINT ends the run with the best network so far written, and status 1.
TEST_F(TrainZorfTest, InterruptedProgramWritesTheBestNetworkSoFar) {
    folder.Write("long.par", "WeightFile = " + folder.File("start.net") +
                                 "\nTrainFile = " + Example("surface-train.dat") +
                                 "\nOutputWeightFile = " + folder.File("out.net") +
                                 "\nEpochs = 100000000\n");
    const std::string command = "timeout --preserve-status -s INT 2 " +
                                std::string(ZORF_TRAIN_BINARY) + " " + folder.File("long.par") +
                                " > " + folder.File("report.txt") + " 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 1) << folder.Read("report.txt");
    EXPECT_NE(folder.Read("report.txt").find("Interrupted: wrote the best network so far"),
              std::string::npos);
    EXPECT_NE(folder.Read("out.net").find("[~NeuralNetwork]"), std::string::npos);
}

}  // namespace
