#pragma once

#include <cstdint>

class TBasicNetwork;
class TBasicNeuron;
class TConnectedConnections;

// The incoming arcs of one target neuron from one source layer, laid out as the connected
// network's iterators step through them: the source layer's neuron array beside the target
// neuron's weight row. Stepping through them directly is sound only for a fully connected
// matrix from a layer of plain neurons, so anything else is refused here, where an iterator
// starts, rather than walked.
class TArcRow {
  public:
    // Null when the pair is not connected: then there are no arcs.
    TConnectedConnections* matrix = nullptr;
    TBasicNeuron* sources = nullptr;
    double* weights = nullptr;
    std::int32_t count = 0;

    // The arcs from layer `from` into neuron toNode of layer `to`. Raises TException (Bad
    // Parameter, where-text `where`) for a connected pair that is not fully connected or whose
    // source layer does not hold plain neurons.
    static TArcRow Into(TBasicNetwork& network, std::int32_t from, std::int32_t to,
                        std::int32_t toNode, const char* where);
    // Raises TException (Bad Parameter) for a layer number outside the network.
    static void RequireLayer(const TBasicNetwork& network, std::int32_t layer, const char* where);
    // The neuron, after refusing (as RequireLayer) numbers outside the network.
    static TBasicNeuron* Target(const TBasicNetwork& network, std::int32_t layer, std::int32_t node,
                                const char* where);
};
