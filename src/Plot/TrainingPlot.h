// The training plot: the training and the validation error of every epoch of a training run,
// on a logarithmic scale, with the best epoch marked.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FileHandler/Syntax/OutputStream.h"

struct TTrainingCurves {
    std::vector<std::int64_t> epochs;
    std::vector<double> training;
    // None for an epoch without a validation set.
    std::vector<std::optional<double>> validation;
};

// The curves of a training log; raises FileTools::Error for a file that is not one.
TTrainingCurves ReadTrainingCurves(const std::string& fileName);

// The epoch with the lowest validation error, or the lowest training error when no epoch
// was validated; none for an empty log.
std::optional<std::size_t> BestEpoch(const TTrainingCurves& curves);

void WriteTrainingPlot(FileTools::OutputStream& out, const TTrainingCurves& curves,
                       const std::string& title);
