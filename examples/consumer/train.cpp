// Trains a new fuzzy network on rows held in memory, without the programs: a network made from
// an architecture learns y = x1 * x2 on a grid of readings, and the training error before and
// after is printed with the epoch kept.
#include <zorf/DataObject/Data.h>
#include <zorf/KQmessage/NumberText.h>
#include <zorf/Train/Trainer.h>
#include <zorf/Version.h>
#include <zorf/Zorf/MakeZorf.h>

#include <array>
#include <exception>
#include <iostream>

int main() try {
    constexpr int kSteps = 6;
    Data rows(kSteps * kSteps, 2, 1, false);
    for (int i = 0; i < kSteps; ++i) {
        for (int j = 0; j < kSteps; ++j) {
            const double x1 = i / (kSteps - 1.0);
            const double x2 = j / (kSteps - 1.0);
            const std::array<double, 2> inputs{x1, x2};
            const std::array<double, 1> expected{x1 * x2};
            rows.AppendRow(inputs, expected, nullptr);
        }
    }
    TZorfRecipe recipe;
    recipe.mfPerInput = {3, 3};
    recipe.numRules = 6;
    recipe.mfPerOutput = {3};
    recipe.seed = 7;
    const std::unique_ptr<TZorf> network = MakeZorf(recipe);

    TTrainSettings settings;
    settings.epochs = 200;
    const TTrainResult result = Train(*network, rows, nullptr, settings);

    std::array<char, NumberText::kGeneralTextSize> text{};
    const TEpochRecord& start = result.history.front();
    const TEpochRecord& kept = result.history.at(static_cast<std::size_t>(result.bestEpoch));
    std::cout << "zorf " ZORF_VERSION ": training error "
              << NumberText::FormatGeneral(text, start.trainingError, 6);
    std::cout << " at the start, " << NumberText::FormatGeneral(text, kept.trainingError, 6)
              << " at epoch " << kept.epoch << '\n';
    return kept.trainingError < start.trainingError ? 0 : 1;
} catch (const std::exception& failure) {
    // The library's refusals: TRefusal (settings, rows the network cannot train on), TException,
    // FileTools::Error and TCheckFailure all derive from std::exception.
    std::cerr << failure.what() << '\n';
    return 1;
}
