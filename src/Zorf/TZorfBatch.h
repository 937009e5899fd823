#pragma once

#include <vector>

#include "NeuralNets/Kernels/PropagationKernels.h"
#include "Zorf/TZorf.h"

// Propagation of a batch of rows through a fuzzy network of the standard shape (input,
// condition, rule, action and defuzzifying layers, each connected to the next only), so that
// each weight of the rule and action matrices is loaded once for the whole batch. Each row gets
// the bits, the checks and the refusals of TZorf::Propagate: the layers compute every row with
// their own operations, and only the weighted sums run batched, each row in a lane of its own.
// Used while a TPackedPropagation lives on the network.
class TZorfBatch {
  public:
    static constexpr std::int32_t kRows = PropagationKernels::kBatchRows;

    explicit TZorfBatch(TZorf& network);

    // Whether the network has the shape and the packed weights the batch needs.
    bool Fits() const { return fits; }
    // kRows rows of inputs, one after the other, into kRows rows of outputs. False, with
    // nothing written, where a batch cannot give the bits of propagating each row (a source that
    // is not finite meets an absent arc): the caller then propagates the rows one by one. A
    // refusal of row r is raised after the outputs of the rows before it.
    bool Propagate(const double* inputs, double* outputs);

  private:
    TZorf& network;
    bool fits = false;
    std::vector<double> conditions;  // the batch's condition values, neuron by neuron
    std::vector<double> rules;
    std::vector<double> actions;
};
