// Recall of a recall file one row at a time: each row is read, its features selected,
// propagated, and its outputs written to the output file (a temporary file renamed into place
// at the end), so that memory does not grow with the rows. The rows are read some batches
// ahead on a second thread where the machine has a second core. The reports are those of
// loading the whole file, recalling it and saving the result: an error anywhere in the recall
// file comes first and leaves no output file; then a refusal of the data set (no inputs to
// recall, a feature outside the inputs, rows that do not fit the network), then one of
// propagation, then a failed write.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "FileHandler/DataSetFile/FilerStatus.h"
#include "KQmessage/FileToolsError.h"
#include "NeuralNets/TBasicNetwork.h"
#include "Recall/ParameterFile.h"
#include "Zorf/TNonFiniteInput.h"
#include "Zorf/TZorf.h"

void RecallRowByRow(TZorf& network, const TRecallParameters& parameters);

// A row's outputs in the units of the ranges the network records for them; an output without
// a range stays as the network gives it.
void InOwnUnits(const TZorfDataInfo& info, std::span<double> outputs);

// An input that is not finite, refused `refusal.row` rows after row `firstRow` (from 0) of the
// recall file, as an error of that file naming its row and its column before the features were
// selected, both from 1.
FileTools::Error NonFiniteInRecallFile(const TNonFiniteInput& refusal, std::int64_t firstRow,
                                       const std::optional<std::vector<std::int32_t>>& selection);
