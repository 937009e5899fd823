#include "NeuralNets/TConnInAllArcsIterator.h"

#include "NeuralNets/TBasicNetwork.h"

namespace {

// Only Start refuses: the later steps meet the matrices Start has accepted.
constexpr const char* kWhere = "TConnInAllArcsIterator::Start";

}  // namespace

void TConnInAllArcsIterator::Start(std::int32_t targetLayer, std::int32_t targetNode) {
    TBasicNeuron* target = TArcRow::Target(*network, targetLayer, targetNode, kWhere);
    for (std::int32_t from = 0; from < network->GetNumLayers(); ++from) {
        TArcRow::Into(*network, from, targetLayer, targetNode, kWhere);
    }
    Aim(targetLayer, targetNode, target);
    fromLayer = -1;
    row = {};
    StandBeforeFirst();
}

bool TConnInAllArcsIterator::HasArc() const {
    return row.matrix != nullptr;
}

bool TConnInAllArcsIterator::Next() {
    if (fromNode < LastNode()) {
        StandOn(fromNode + 1);
        return true;
    }
    // The last index goes with the layer left behind, so that further calls find no arcs.
    row = {};
    StandBeforeFirst();
    const std::int32_t lastLayer = network->GetNumLayers() - 1;
    while (fromLayer < lastLayer) {
        ++fromLayer;
        if (Enter(fromLayer)) {
            StandOn(0);
            return true;
        }
    }
    // Past the last layer, so that Prev comes back to the last arc, also one from that layer.
    fromLayer = lastLayer + 1;
    return false;
}

bool TConnInAllArcsIterator::Prev() {
    if (fromNode > 0) {
        StandOn(fromNode - 1);
        return true;
    }
    for (std::int32_t layer = fromLayer - 1; layer >= 0; --layer) {
        if (Enter(layer)) {
            StandOn(LastNode());
            return true;
        }
    }
    return false;
}

bool TConnInAllArcsIterator::Enter(std::int32_t layer) {
    TArcRow candidate = TArcRow::Into(*network, layer, toLayer, toNode, kWhere);
    if (candidate.matrix == nullptr || candidate.count == 0) {
        return false;
    }
    row = candidate;
    fromLayer = layer;
    return true;
}
