#include "NeuralNets/TPackedPropagation.h"

#include "KQmessage/Check.h"
#include "NeuralNets/TGridConnections.h"

namespace {

// The matrices that take part in propagating a row: those from a lower layer to a higher.
template <class Action>
void ForEachGridMatrix(TBasicNetwork& network, Action action) {
    for (std::int32_t to = 0; to < network.GetNumLayers(); ++to) {
        for (std::int32_t from = 0; from < to; ++from) {
            if (auto* grid = dynamic_cast<TGridConnections*>(&network.GetConnections(from, to))) {
                action(*grid);
            }
        }
    }
}

}  // namespace

TPackedPropagation::TPackedPropagation(TBasicNetwork& owner) : network(owner) {
    ForEachGridMatrix(network, [](TGridConnections& matrix) { matrix.PackWeights(); });
}

TPackedPropagation::~TPackedPropagation() {
    ForEachGridMatrix(network, [](TGridConnections& matrix) {
        ZORF_ASSERT(matrix.PackedWeightsAreCurrent());
        matrix.DropPackedWeights();
    });
}
