// The settings of a training run and the one way to set them from text: the parameter file of
// TrainZorf and the Python module both hand (keyword, value) pairs to SetTrainSetting, so both
// accept the same names, check them the same way and report the same messages.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "KQmessage/Export.h"
#include "KQmessage/TRefusal.h"
#include "NeuralNets/TErrorObj.h"

struct TOptimizerKind;

enum class TTrainErrorMeasure { Rms, CrossEntropy };

// Epochs without a better network after which a run with validation rows stops, unless the
// settings name a patience: the validated epochs of small data sets peak within a few dozen.
inline constexpr std::int32_t kDefaultPatience = 100;

struct TTrainSettings {
    // Passes over the training rows; 0 only measures the given network.
    std::int32_t epochs = 1000;
    // The optimizer by its name in OptimizerTable.h, any letter case. RPROP (iRprop+) needs
    // no learning rate and moves every weight by its own step.
    std::string algorithm = "RPROP";
    // None takes the optimizer's own; those that step on the whole batch take none.
    std::optional<double> learningRate;
    // Backprop only.
    double momentum = 0.9;
    // Rows per step, taken in an order shuffled from the seed every epoch, for the optimizers
    // that do not step on the whole batch; 0 takes all rows in one step.
    std::int32_t batchSize = 0;
    TTrainErrorMeasure errorMeasure = TTrainErrorMeasure::Rms;
    // A weight penalty, set from the text form of its structured message, "(LWF
    // :LEARNINGRATE 0.01 :FORGETTINGRATE 0.1)" or "(QUADPENALTY :EPSILON1 0.0001 :BETA 10)". It
    // weighs the rule and action weights (weight layers 2 and 3).
    TPenalty penalty;
    // Training stops once the error that picks the best network (the validation error when
    // there is a validation set, else the training error) is at or below this.
    double targetError = 0.0;
    // Training stops after this many epochs without a new best network; 0 never stops early.
    // None: kDefaultPatience when validation rows choose the network, else 0.
    std::optional<std::int32_t> patience;
    // Without a validation set, this share of the training rows (drawn from the seed, each
    // class in its share for one-hot outputs) is held out to choose the network; 0 holds out
    // none.
    double validationShare = 0.0;
    // Starts the shuffling of the rows.
    std::uint32_t seed = 1;
    // Runs of the whole training: the first from the given network, each other one from a copy
    // whose trainable rule and action weights moved by up to a tenth of their layer's span
    // (drawn from seed + run). The run whose best epoch is best, by the rule that picks the
    // best epoch, is kept; pruning follows on it.
    std::int32_t restarts = 1;
    // After training, the rule and action arcs whose weight is below this in absolute value
    // are removed, then the rules left without outgoing arcs, and the rest is trained again
    // for fineTuneEpochs epochs; 0 removes nothing.
    double pruneBelow = 0.0;
    std::int32_t fineTuneEpochs = 100;
    // Which weight layers train: 1 the input centres, 2 the rule weights, 3 the action weights,
    // 4 the output centres.
    std::array<bool, 4> trainLayers{true, true, true, true};
    // RPROP's first and largest step for the rule and action weights; the centres take a tenth.
    double initialStep = 0.05;
    double maxStep = 5.0;
    // The smallest distance kept between neighbouring input centres, in the input's unit (the
    // span of its centres where they lie outside [0, 1]).
    double minCentreGap = 0.01;
    // Threads that sum each epoch's error and gradient; 0 takes every core. The network does
    // not depend on it.
    std::int32_t threads = 0;
};

// A refused setting; what() is the whole message, naming the keyword and the value.
class ZORF_EXPORT TTrainSettingError : public TRefusal {
  public:
    using TRefusal::TRefusal;
};

// One setting by keyword (any letter case), its value as text: numbers as the parameter file
// writes them, names in any letter case (an optimizer of OptimizerTable.h; "RMS", "CrossEntropy"),
// the penalty as its structured message, "TrainLayers" as the weight layers separated by blanks or
// commas ("2 3 4"). Raises TTrainSettingError for an unknown keyword or a bad value and then
// leaves the settings as they were.
ZORF_EXPORT void SetTrainSetting(TTrainSettings& settings, std::string_view keyword,
                                 std::string_view value);

// Whether SetTrainSetting knows the keyword.
ZORF_EXPORT bool IsTrainSetting(std::string_view keyword);

// A weight layer's number (1 to 4) as "TrainLayers" lists it; none for other text.
std::optional<std::int32_t> WeightLayerNumber(std::string_view text);

// The optimizer the settings name; TTrainSettingError for a name the table does not hold.
const TOptimizerKind& ChosenOptimizer(const TTrainSettings& settings);

// The keywords with their default values and meanings, for usage texts.
struct TTrainSettingInfo {
    std::string keyword;
    std::string defaultValue;
    std::string meaning;
};
ZORF_EXPORT std::span<const TTrainSettingInfo> TrainSettingKeywords();
