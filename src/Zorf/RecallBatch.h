// Recall of rows held in memory, the library's entry for arrays of the caller's own (the Python
// module takes it): bit for bit the outputs RecallZorf writes for the same rows, on any number
// of threads.
#pragma once

#include <cstddef>

#include "KQmessage/Export.h"
#include "Zorf/TZorf.h"

// `rows` rows of `inputCount` values through the network into `outputs` (rows x the network's
// outputs) on `threads` threads (every core when <= 0), with RecallZorf's results: rows that
// deliver another number of inputs than the network takes are refused first, as
// TZorf::RecallOutputOnly refuses them (TException), then propagation as TRecallEngine::Recall.
ZORF_EXPORT void RecallBatch(const TZorf& network, const double* inputs, std::size_t rows,
                             std::size_t inputCount, double* outputs, int threads);
