#include "Train/TrainSettings.h"
#include "Train/TrainZorf.h"

#include <gtest/gtest.h>

namespace {

TEST(TrainSettingsTest, ValuesInAnyLetterCaseSetTheirField) {
    TTrainSettings settings;
    SetTrainSetting(settings, "algorithm", "backprop");
    SetTrainSetting(settings, "EPOCHS", "25");
    SetTrainSetting(settings, "ErrorMeasure", "crossentropy");
    SetTrainSetting(settings, "TrainLayers", "2, 4");
    SetTrainSetting(settings, "Seed", "4294967295");
    SetTrainSetting(settings, "THREADS", "3");
    SetTrainSetting(settings, "Penalty", "(lwf :learningrate 0.01 :forgettingrate 0.1)");
    EXPECT_EQ(settings.algorithm, "Backprop");
    EXPECT_EQ(settings.epochs, 25);
    EXPECT_EQ(settings.errorMeasure, TTrainErrorMeasure::CrossEntropy);
    EXPECT_EQ(settings.trainLayers, (std::array<bool, 4>{false, true, false, true}));
    EXPECT_EQ(settings.seed, 4294967295U);
    EXPECT_EQ(settings.threads, 3);
    EXPECT_TRUE(IsTrainSetting("patience"));
    EXPECT_FALSE(IsTrainSetting("WeightFile"));
}

TEST(TrainSettingsTest, RefusedValuesLeaveTheSettingsAsTheyWere) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"Epochs", "1e3"},    {"Epochs", ""},          {"LearningRate", "0"},
        {"Momentum", "1"},    {"BatchSize", "-1"},     {"Seed", "4294967296"},
        {"Seed", "1.5"},      {"TrainLayers", "0"},    {"TrainLayers", ","},
        {"Penalty", "(L2)"},  {"Penalty", "LWF"},      {"Penalty", "(LWF :LEARNINGRATE (x))"},
        {"Patience", "ten"},  {"TargetError", "-0.1"}, {"Unknown", "1"},
        {"Threads", "-1"},    {"Threads", "2.5"},      {"Restarts", "0"},
        {"Restarts", "1001"},
    };
    for (const auto& [keyword, value] : cases) {
        TTrainSettings settings;
        settings.epochs = 7;
        EXPECT_THROW(SetTrainSetting(settings, keyword, value), TTrainSettingError)
            << keyword << " = " << value;
        EXPECT_EQ(settings.epochs, 7);
        EXPECT_TRUE(settings.penalty.IsNone());
    }
}

// Whole numbers follow the parameter files' one rule, and words that look like mistakes get
// RecallZorf's hints on standard error.
TEST(TrainParameterText, ReadsNumbersByOneRuleAndHintsAtMistakes) {
    const struct {
        std::string text;
        std::int32_t epochs;
        std::string hint;
    } cases[] = {
        {"Epochs = 010", 8, "Epochs = 010 starts with 0 and is read as an octal number, 8"},
        {"Epochs = 0x10", 16, ""},
        {"Epochs = 12 Seed = 007", 12, ""},
        {"Epochs=5", 1000, "Epochs=5 is one word and is skipped"},
        {"TrainingLog: x.log", 1000, "TrainingLog: is one word and is skipped"},
        {"\xEF\xBB\xBF"
         "Epochs = 3",
         1000, "starts with a byte-order mark"},
    };
    for (const auto& c : cases) {
        const TTrainParameters parameters = ParseTrainParameterText(c.text, "t.par");
        EXPECT_EQ(parameters.settings.epochs, c.epochs) << c.text;
        if (c.hint.empty()) {
            EXPECT_TRUE(parameters.hints.empty()) << c.text;
        } else {
            ASSERT_EQ(parameters.hints.size(), 1u) << c.text;
            EXPECT_NE(parameters.hints[0].find(c.hint), std::string::npos) << parameters.hints[0];
        }
    }
}

}  // namespace

// TrainZorf reads with RecallZorf's rules, so it hints at the same mistakes.
TEST(TrainParameterText, KeepsTheReadingRulesHints) {
    const TTrainParameters parameters =
        ParseTrainParameterText("#Features = 1 Features = 0 1 WeightFile = a.net", "t.par");
    ASSERT_EQ(parameters.hints.size(), 1U);
    EXPECT_EQ(parameters.hints[0],
              "Parameter file t.par: Features lists more numbers than #Features = 1; the rest "
              "are skipped");
}
