// zorf.Network: a fuzzy network the module owns, and the functions that create one.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>

#include "Zorf/TZorf.h"

namespace ZorfPython {

// Rows of inputs through the network into rows of outputs, both C-ordered, on `threads`
// threads (every core when <= 0): the one place that decides how the module propagates.
void RecallRows(TZorf& network, const double* inputs, std::int64_t rows, double* outputs,
                int threads);

class Network {
  public:
    explicit Network(std::unique_ptr<TZorf> network);

    // Recall (which propagates copies of the network) and the readers share the network;
    // training, rms_error (which propagates the network itself) and the setters hold it alone.
    // Called with the GIL held, they wait for the network with the GIL released, since
    // training takes the GIL between epochs while it holds the network; Ctrl-C ends the wait.
    std::shared_lock<std::shared_timed_mutex> Share();
    std::unique_lock<std::shared_timed_mutex> Hold();
    TZorf& Zorf() { return *zorf; }
    std::int32_t NumInputs() const { return numInputs; }
    std::int32_t NumOutputs() const { return numOutputs; }

  private:
    std::unique_ptr<TZorf> zorf;
    std::shared_timed_mutex busy;
    std::int32_t numInputs;
    std::int32_t numOutputs;
};

// The network of a zorf.Network instance; TypeError for another object, or for an instance
// that holds none (made by Network.__new__ alone).
Network& NetworkOf(const pybind11::handle& self);

void BindNetwork(pybind11::module_& module);

}  // namespace ZorfPython
