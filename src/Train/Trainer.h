// Training a fuzzy network on labelled rows: the library side of TrainZorf, also called by the
// Python module. The network is changed in place and ends as the best network of the run.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

#include "KQmessage/Export.h"
#include "KQmessage/TRefusal.h"

#include "FileHandler/TrainingLog/TrainingLog.h"
#include "Train/TrainSettings.h"

class Data;
class TEpochEvaluator;
class TZorf;

// Training data or a network that cannot be trained: rows that do not fit the network, rows
// without expected outputs, expected outputs outside [0, 1], a network whose layers are not
// those the gradient knows. Raised before anything changes; what() is the message.
class ZORF_EXPORT TTrainRefusal : public TRefusal {
  public:
    using TRefusal::TRefusal;
};

// What structural learning removed, and the errors (as the run measures them) around it.
struct TPruneReport {
    std::int32_t arcsRemoved = 0;
    std::int32_t rulesRemoved = 0;
    double errorBefore = 0.0;
    double errorAfter = 0.0;
};

struct TTrainResult {
    // One record per epoch measured, epoch 0 the start network; after pruning the fine-tuning
    // epochs follow with their numbers running on.
    std::vector<TEpochRecord> history;
    // The epoch whose network the network now holds (after pruning, the best of the
    // fine-tuning epochs).
    std::int32_t bestEpoch = 0;
    // The stop flag ended the run early.
    bool interrupted = false;
    std::optional<TPruneReport> pruning;
    // With restarts: the best epoch of every run in order, and the run kept (from 0); the
    // history is the kept run's. Without, the one run's best epoch.
    std::vector<TEpochRecord> runBests;
    std::int32_t keptRun = 0;

    // The record of bestEpoch: epochs are numbered by their place in the history.
    const TEpochRecord& Best() const { return history.at(static_cast<std::size_t>(bestEpoch)); }
};

// Called after every epoch measured, with its record.
using TEpochProgress = std::function<void(const TEpochRecord&)>;

// Trains `network` on the rows of `training` (their selected inputs and expected outputs) and,
// with `validation`, measures that set every epoch and keeps the network with the lowest
// validation error; without it, the one with the lowest training error. The reported errors are
// the settings' measure (RMS or cross-entropy) with the penalty added as AddPenalty of the
// error measures defines it; validation errors carry no penalty. `stop` (may be null) is
// checked before every step: once it is set, the run ends with the best network so far (the
// start network is always measured, so there is one). Raises TTrainRefusal or
// TTrainSettingError before changing anything. The same settings, rows and network give the
// same bits. With settings.restarts above 1 the whole run repeats from moved copies of the start
// network (see TTrainSettings) and the best run is kept.
ZORF_EXPORT TTrainResult Train(TZorf& network, Data& training, Data* validation,
                               const TTrainSettings& settings, const TEpochProgress& progress = {},
                               const std::atomic<bool>* stop = nullptr);

// Trains as above on `trainingRows` rows that `evaluator` sums (a cluster's workers, say),
// `oneHot` telling whether their expected outputs are: the same rows, settings and network give
// the same bits as training on the rows here. Every epoch steps on all rows; TTrainSettingError
// for settings that step on batches or hold rows out for validation.
ZORF_EXPORT TTrainResult Train(TZorf& network, std::int32_t trainingRows, bool oneHot,
                               Data* validation, const TTrainSettings& settings,
                               TEpochEvaluator& evaluator, const TEpochProgress& progress = {},
                               const std::atomic<bool>* stop = nullptr);

// The share of rows whose largest generated output is the largest expected output (ties to
// the first), for expected outputs that look one-hot (two or more outputs, each row's values
// 0 except a single 1); none otherwise.
ZORF_EXPORT std::optional<double> ClassificationAccuracy(TZorf& network, Data& rows);
