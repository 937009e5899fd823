#include "NeuralNets/TIterateObj.h"

#include <cstring>

#include "KQmessage/Check.h"
#include "NeuralNets/PseudoRandom.h"
#include "NeuralNets/TBasicConnections.h"
#include "NeuralNets/TBasicLayer.h"
#include "NeuralNets/TBasicNetwork.h"

void TIterateObj::Visit() {}

void TIterateObj::Prepare(TBasicLayer* from, TBasicLayer* to) {
    fromLayer = from->GetLayerNum();
    toLayer = to->GetLayerNum();
    fromLayerObj = from;
    toLayerObj = to;
    fromValues = from->GetValues();
    toValues = to->GetValues();
    conns = &from->GetNetwork()->GetConnections(fromLayer, toLayer);
}

void TIterateObj::Prepare(TBasicNetwork* network, std::int32_t from, std::int32_t to) {
    Prepare(network->GetLayer(from), network->GetLayer(to));
}

void TIterateObjGetNumWeights::Visit() {
    ++count;
}

void TIterateObjGetWeights::Visit() {
    *cursor++ = *weight;
    ++count;
}

void TIterateObjSetWeights::Visit() {
    *weight = *cursor++;
    ++count;
}

void TIterateObjRandomize::Visit() {
    *weight = PseudoRandom::WeightInRange(low, high);
}

void TIterateObjAggregate::Visit() {
    sum += fromValues[fromNode] * *weight;
}

void TIterateObjGetFlags::Visit() {
    flags[count++] = conns->GetFlags(fromNode, toNode);
}

void TIterateObjSetFlags::Visit() {
    conns->SetFlags(fromNode, toNode, flags[count++]);
}

void TIterateObjAllUntrainable::Visit() {
    conns->Freeze(fromNode, toNode);
}

void TIterateObjPruneNode::Visit() {
    ++count;
}

namespace {

// The per-matrix fields of one of the networks of a several-network visitor.
void PrepareSide(TBasicNetwork* network, std::int32_t from, std::int32_t to,
                 TBasicConnections*& conns, TBasicLayer*& fromLayerObj, TBasicLayer*& toLayerObj,
                 double*& fromValues, double*& toValues) {
    conns = &network->GetConnections(from, to);
    fromLayerObj = network->GetLayer(from);
    toLayerObj = network->GetLayer(to);
    fromValues = fromLayerObj->GetValues();
    toValues = toLayerObj->GetValues();
}

bool SameClass(const TBasicConnections* a, const TBasicConnections* b) {
    return std::strcmp(a->GetConnectionsNType(), b->GetConnectionsNType()) == 0;
}

}  // namespace

void TIterateObj2::Visit() {}

void TIterateObj2::Prepare(TBasicNetwork* first, TBasicNetwork* second, std::int32_t from,
                           std::int32_t to) {
    fromLayer = from;
    toLayer = to;
    PrepareSide(first, from, to, conns1, fromLayerObj1, toLayerObj1, fromValues1, toValues1);
    PrepareSide(second, from, to, conns2, fromLayerObj2, toLayerObj2, fromValues2, toValues2);
    if (!SameClass(conns1, conns2)) {
        ZORF_FAIL("conn1 -> GetConnectionsNType() == conn2 -> GetConnectionsNType()");
    }
}

void TIterateObj3::Visit() {}

void TIterateObj3::Prepare(TBasicNetwork* first, TBasicNetwork* second, TBasicNetwork* third,
                           std::int32_t from, std::int32_t to) {
    fromLayer = from;
    toLayer = to;
    PrepareSide(first, from, to, conns1, fromLayerObj1, toLayerObj1, fromValues1, toValues1);
    PrepareSide(second, from, to, conns2, fromLayerObj2, toLayerObj2, fromValues2, toValues2);
    PrepareSide(third, from, to, conns3, fromLayerObj3, toLayerObj3, fromValues3, toValues3);
    if (!SameClass(conns1, conns2)) {
        ZORF_FAIL("conn1 -> GetConnectionsNType() == conn2 -> GetConnectionsNType()");
    }
    if (!SameClass(conns1, conns3)) {
        ZORF_FAIL("conn1 -> GetConnectionsNType() == conn3 -> GetConnectionsNType()");
    }
}
