#include "Zorf/RecallBatch.h"

#include "Zorf/TRecallEngine.h"

void RecallBatch(const TZorf& network, const double* inputs, std::size_t rows,
                 std::size_t inputCount, double* outputs, int threads) {
    network.RequireRecallableInputs(static_cast<std::int64_t>(inputCount));
    TRecallEngine engine(network, threads);
    engine.Recall(inputs, rows, outputs);
}
