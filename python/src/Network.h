// zorf.Network: a fuzzy network the module owns, and the functions that create one.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <mutex>

#include "Zorf/TZorf.h"

namespace ZorfPython {

// Rows of inputs through the network into rows of outputs, both C-ordered, on `threads`
// threads (every core when <= 0): the one place that decides how the module propagates.
void RecallRows(TZorf& network, const double* inputs, std::int64_t rows, double* outputs,
                int threads);

class Network {
  public:
    explicit Network(std::unique_ptr<TZorf> network);

    // Propagation changes the network's node values, and recall runs without the GIL: one
    // operation at a time holds the network.
    std::unique_lock<std::mutex> Hold() { return std::unique_lock<std::mutex>(busy); }
    TZorf& Zorf() { return *zorf; }
    std::int32_t NumInputs() const { return numInputs; }
    std::int32_t NumOutputs() const { return numOutputs; }

  private:
    std::unique_ptr<TZorf> zorf;
    std::mutex busy;
    std::int32_t numInputs;
    std::int32_t numOutputs;
};

void BindNetwork(pybind11::module_& module);

}  // namespace ZorfPython
