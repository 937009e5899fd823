// The training log of TrainZorf: plain text, two comment lines, then one line per epoch with
// the epoch number, the training error, the validation error ("-" without a validation set)
// and the seconds since training began, numbers in the 15-digit general format:
//
//   # TrainZorf training log
//   # epoch training_error validation_error seconds
//   0 0.251234 0.260001 0
//   1 0.2 0.21 0.0123
//
// Epoch 0 is the start network before any step. When the rows that choose the network (the
// validation rows, else the training rows) expect one-hot outputs, a fifth column gives their
// classification accuracy and the columns line ends in " accuracy"; a last comment line
// "# kept epoch N" names the epoch whose network the run kept. Logs of four columns read as
// before. PlotZorf reads what TrainZorf writes, so both go through this one writer and reader.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// One epoch of a training run.
struct TEpochRecord {
    std::int32_t epoch = 0;
    double trainingError = 0.0;
    std::optional<double> validationError;
    double seconds = 0.0;
    // The share of the choosing rows (validation, else training) classified right, for one-hot
    // expected outputs.
    std::optional<double> accuracy;

    bool operator==(const TEpochRecord&) const = default;
};

namespace TrainingLog {

inline constexpr const char* kTitleLine = "# TrainZorf training log";
inline constexpr const char* kColumnsLine = "# epoch training_error validation_error seconds";
inline constexpr const char* kAccuracyColumn = " accuracy";
inline constexpr const char* kKeptLine = "# kept epoch ";

// A log's epochs and the epoch the run kept, when the log names it.
struct TLog {
    std::vector<TEpochRecord> epochs;
    std::optional<std::int32_t> keptEpoch;
};

// The whole log as text; with `kept`, ending in its "# kept epoch" line.
ZORF_EXPORT std::string Text(std::span<const TEpochRecord> rows,
                             std::optional<std::int32_t> kept = std::nullopt);
// Replaces the file only when all of it was written; FileTools::Error names a file that
// could not be written.
ZORF_EXPORT void Write(const std::string& path, std::span<const TEpochRecord> rows,
                       std::optional<std::int32_t> kept = std::nullopt);

// The rows of a log's text; a text that is not such a log raises FileTools::Error naming
// `path` and the line ("Not a training log: run.log, line 3: ...").
ZORF_EXPORT std::vector<TEpochRecord> Parse(const std::string& text, const std::string& path);
// The file's rows; FileTools::Error for a file that cannot be opened or is not a log.
ZORF_EXPORT std::vector<TEpochRecord> Read(const std::string& path);
// The file's rows and the kept epoch it names.
ZORF_EXPORT TLog ReadLog(const std::string& path);

}  // namespace TrainingLog
