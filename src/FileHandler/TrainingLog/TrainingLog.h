// The training log of TrainZorf: plain text, two comment lines, then one line per epoch with
// the epoch number, the training error, the validation error ("-" without a validation set)
// and the seconds since training began, numbers in the 15-digit general format:
//
//   # TrainZorf training log
//   # epoch training_error validation_error seconds
//   0 0.251234 0.260001 0
//   1 0.2 0.21 0.0123
//
// Epoch 0 is the start network before any step. PlotZorf reads what TrainZorf writes, so
// both go through this one writer and reader.
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

    bool operator==(const TEpochRecord&) const = default;
};

namespace TrainingLog {

inline constexpr const char* kTitleLine = "# TrainZorf training log";
inline constexpr const char* kColumnsLine = "# epoch training_error validation_error seconds";

// The whole log as text.
ZORF_EXPORT std::string Text(std::span<const TEpochRecord> rows);
// Replaces the file only when all of it was written; FileTools::Error names a file that
// could not be written.
ZORF_EXPORT void Write(const std::string& path, std::span<const TEpochRecord> rows);

// The rows of a log's text; a text that is not such a log raises FileTools::Error naming
// `path` and the line ("Not a training log: run.log, line 3: ...").
ZORF_EXPORT std::vector<TEpochRecord> Parse(const std::string& text, const std::string& path);
// The file's rows; FileTools::Error for a file that cannot be opened or is not a log.
ZORF_EXPORT std::vector<TEpochRecord> Read(const std::string& path);

}  // namespace TrainingLog
