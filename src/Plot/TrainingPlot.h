// The training plot: the training and the validation error of every epoch of a training run,
// on a logarithmic scale, with the best epoch marked.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FileHandler/Syntax/OutputStream.h"
#include "FileHandler/TrainingLog/TrainingLog.h"

// The position in the log of the epoch with the lowest validation error, or of the lowest
// training error when no epoch was validated; none for an empty log.
ZORF_EXPORT std::optional<std::size_t> BestEpoch(const std::vector<TEpochRecord>& log);

// The epochs as TrainingLog::Read gives them. With `kept` (the epoch the run kept, as the log
// names it) that epoch is marked, else the best epoch as BestEpoch finds it.
ZORF_EXPORT void WriteTrainingPlot(FileTools::OutputStream& out,
                                   const std::vector<TEpochRecord>& log, const std::string& title,
                                   std::optional<std::int32_t> kept = std::nullopt);
