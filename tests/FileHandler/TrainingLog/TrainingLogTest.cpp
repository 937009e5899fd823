#include "FileHandler/TrainingLog/TrainingLog.h"

#include <gtest/gtest.h>

#include <string>

#include "KQmessage/FileToolsError.h"
#include "Support/TempDir.h"

namespace {

TEST(TrainingLogTest, TextReadsBackToTheSameRows) {
    const std::vector<TEpochRecord> rows = {
        {0, 0.251234, 0.260001, 0.0, std::nullopt},
        {1, 0.2, std::nullopt, 0.0123, std::nullopt},
        {2, 1.0 / 3.0, 2.0e-17, 12345.678901234567, std::nullopt},
    };
    const std::string text = TrainingLog::Text(rows);
    EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1) + 1),
              "# TrainZorf training log\n# epoch training_error validation_error seconds\n");
    EXPECT_NE(text.find("\n1 0.2 - 0.0123\n"), std::string::npos);
    const std::vector<TEpochRecord> back = TrainingLog::Parse(text, "run.log");
    ASSERT_EQ(back.size(), rows.size());
    EXPECT_EQ(back[0], rows[0]);
    EXPECT_EQ(back[1], rows[1]);
    // 15 significant digits: the third row comes back to within that precision.
    EXPECT_NEAR(back[2].trainingError, rows[2].trainingError, 1e-15);
    EXPECT_EQ(TrainingLog::Text(back), text);
}

// Runs that classify add the accuracy and the kept epoch, and read back to both.
TEST(TrainingLogTest, AccuracyAndTheKeptEpochReadBack) {
    const std::vector<TEpochRecord> rows = {{0, 0.5, 0.6, 0.0, 0.25}, {1, 0.4, 0.5, 0.1, 0.75}};
    const std::string text = TrainingLog::Text(rows, 1);
    EXPECT_NE(text.find("seconds accuracy\n0 0.5 0.6 0 0.25\n1 0.4 0.5 0.1 0.75\n# kept epoch 1\n"),
              std::string::npos)
        << text;
    TTempDir folder;
    const TrainingLog::TLog log = TrainingLog::ReadLog(folder.Write("run.log", text));
    EXPECT_EQ(log.epochs, rows);
    EXPECT_EQ(log.keptEpoch, 1);
}

TEST(TrainingLogTest, RefusesTextThatIsNotALogNamingFileAndLine) {
    const std::string head =
        "# TrainZorf training log\n# epoch training_error validation_error "
        "seconds\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "line 1"},
        {"epoch 1\n", "line 1"},
        {head + "0 0.5 - 0\n1 0.4 -\n", "line 4"},
        {head + "0 0.5 x 0\n", "line 3"},
        {head + "0.5 0.5 - 0\n", "line 3"},
        {head + "-1 0.5 - 0\n", "line 3"},
        {head + "1 0.5abc - 0\n", "line 3"},
        {head + "1 0.5 - 0 1.5\n", "line 3"},
        {head + "1 0.5 - 0\n# kept epoch x\n", "line 4"},
    };
    for (const auto& [text, where] : cases) {
        try {
            TrainingLog::Parse(text, "bad.log");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const FileTools::Error& e) {
            EXPECT_NE(e.message.find("bad.log, " + where), std::string::npos) << e.message;
        }
    }
}

}  // namespace
