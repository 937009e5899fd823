#include "FileHandler/TrainingLog/TrainingLog.h"

#include <gtest/gtest.h>

#include <string>

#include "KQmessage/FileToolsError.h"

namespace {

TEST(TrainingLogTest, TextReadsBackToTheSameRows) {
    const std::vector<TEpochRecord> rows = {
        {0, 0.251234, 0.260001, 0.0},
        {1, 0.2, std::nullopt, 0.0123},
        {2, 1.0 / 3.0, 2.0e-17, 12345.678901234567},
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
