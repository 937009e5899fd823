#include "NeuralNets/TConnInLayerArcsIterator.h"

void TConnInLayerArcsIterator::Start(std::int32_t targetLayer, std::int32_t targetNode,
                                     std::int32_t sourceLayer) {
    constexpr const char* where = "TConnInLayerArcsIterator::Start";
    TBasicNeuron* target = TArcRow::Target(*network, targetLayer, targetNode, where);
    TArcRow::RequireLayer(*network, sourceLayer, where);
    row = TArcRow::Into(*network, sourceLayer, targetLayer, targetNode, where);
    Aim(targetLayer, targetNode, target);
    fromLayer = sourceLayer;
    StandBeforeFirst();
}

bool TConnInLayerArcsIterator::HasArc() const {
    return row.matrix != nullptr;
}

bool TConnInLayerArcsIterator::Next() {
    if (fromNode >= LastNode()) {
        return false;
    }
    StandOn(fromNode + 1);
    return true;
}

bool TConnInLayerArcsIterator::Prev() {
    if (fromNode < 1) {
        return false;
    }
    StandOn(fromNode - 1);
    return true;
}
