// Inputs the fuzz targets found faults with, replayed through the same entry points the
// targets use: each must now be accepted or refused cleanly, with the outcome noted here.
// Every file below tests/data/regressions/<target>/ must have its row.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "FileHandler/Syntax/FileMessages.h"
#include "Support/FeedReaders.h"
#include "Support/TempDir.h"

namespace {

const std::filesystem::path kRegressions =
    std::filesystem::path(ZORF_TEST_DATA_DIR) / "regressions";

const std::string kTooLarge = FileTools::Messages::kNetworkTooLarge;

const std::string kPenaltyRefused =
    "Parameter file fuzz.par: Penalty must be a penalty such as (QUADPENALTY :EPSILON1 0.0001 "
    ":BETA 10) or (LWF :LEARNINGRATE 0.01 :FORGETTINGRATE 0.1), not \"";

struct Regression {
    std::string target;
    std::string file;
    std::string outcome;
};

const Regression kRegressionTable[] = {
    // Each list nests one level of recursion; deeper texts exhausted the stack.
    {"ParseText", "nesting-1000", "accepted"},
    {"ParseText", "nesting-1001", "depth < kMaxNesting"},
    // Rows that hold no values took a pass each, however many rows the header claimed.
    {"DataSetFile", "empty-rows-claimed.dat", "accepted"},
    {"DataSetFile", "empty-rows-claimed-garbled.dat", "End Tag expected"},
    // Layer and neuron counts took memory and time whatever the size of the file.
    {"NetworkFile", "neurons-claimed.net", kTooLarge},
    {"NetworkFile", "layers-claimed.net", kTooLarge},
    // The writer took every layer slot to hold a layer.
    {"NetworkFile", "layers-undefined.net", "Layer 0: no layer block defines it"},
    // Each [Matrix] without value kinds walked every pair of neurons.
    {"NetworkFile", "empty-matrices.net", "accepted"},
    // The message parser refuses a penalty it cannot read with TCheckFailure, which escaped the
    // setting and ended TrainZorf instead of a refused setting.
    {"TrainParameterFile", "penalty-key-missing", kPenaltyRefused + "(LWF :)\""},
    {"TrainParameterFile", "penalty-nesting-1001",
     kPenaltyRefused + std::string(1001, '(') + std::string(1001, ')') + "\""},
};

std::string Replay(const Regression& regression) {
    const std::filesystem::path path = kRegressions / regression.target / regression.file;
    const std::string input = FeedReaders::ReadFile(path.string());
    if (regression.target == "ParseText") {
        return FeedReaders::StructuredMessage(input);
    }
    if (regression.target == "BlockSyntax") {
        return FeedReaders::BlockSyntax(input);
    }
    if (regression.target == "DataSetFile") {
        const TTempDir folder;
        return FeedReaders::DataSetFile(path.string(), folder.File("written.dat"));
    }
    if (regression.target == "ParameterFile") {
        return FeedReaders::ParameterText(input);
    }
    if (regression.target == "TrainParameterFile") {
        return FeedReaders::TrainParameterText(input);
    }
    if (regression.target == "TrainingLog") {
        return FeedReaders::TrainingLogText(input);
    }
    if (regression.target == "NetworkFile") {
        return FeedReaders::NetworkFile(input);
    }
    if (regression.target == "Recall") {
        const TTempDir folder;
        return FeedReaders::Recall(input, folder.Path());
    }
    return "no replay for target " + regression.target;
}

TEST(FuzzRegressions, EveryInputIsAcceptedOrRefusedCleanly) {
    for (const Regression& regression : kRegressionTable) {
        EXPECT_EQ(Replay(regression), regression.outcome)
            << regression.target << "/" << regression.file;
    }
}

TEST(FuzzRegressions, EveryInputHasItsExpectedOutcome) {
    std::set<std::string> listed;
    for (const Regression& regression : kRegressionTable) {
        listed.insert(regression.target + "/" + regression.file);
    }
    for (const auto& target : std::filesystem::directory_iterator(kRegressions)) {
        for (const auto& input : std::filesystem::directory_iterator(target.path())) {
            const std::string name =
                target.path().filename().string() + "/" + input.path().filename().string();
            EXPECT_TRUE(listed.count(name) == 1) << name << " has no row in kRegressionTable";
        }
    }
}

}  // namespace
