#include "NeuralNets/TEmptyConnections.h"

#include "KQmessage/Check.h"

TEmptyConnections::TEmptyConnections(TBasicNetwork* owner, std::int32_t from, std::int32_t to)
    : TBasicConnections(owner, from, to) {}

bool TEmptyConnections::IsConnected() const {
    return false;
}

std::int32_t TEmptyConnections::GetNumWeights(std::int32_t) {
    return 0;
}

std::int32_t TEmptyConnections::GetWeights(double*, std::int32_t) {
    return 0;
}

std::int32_t TEmptyConnections::SetWeights(const double*, std::int32_t) {
    return 0;
}

void TEmptyConnections::RandomizeWeights(double, double) {}

double& TEmptyConnections::GetWeight(std::int32_t, std::int32_t) {
    ZORF_FAIL("false");
}

void TEmptyConnections::AddWeightedInputs(double*) {}

bool TEmptyConnections::IsValid(std::int32_t, std::int32_t) {
    return false;
}

void TEmptyConnections::IterateIn(TIterateObj&, std::int32_t, std::int32_t) {}

void TEmptyConnections::IterateOut(TIterateObj&, std::int32_t, std::int32_t) {}

void TEmptyConnections::IterateAll(TIterateObj&, std::int32_t) {}

void TEmptyConnections::IterateAll2(TIterateObj2&, TBasicNetwork*, std::int32_t) {}

void TEmptyConnections::IterateAll3(TIterateObj3&, TBasicNetwork*, TBasicNetwork*, std::int32_t) {}

const char* TEmptyConnections::GetConnectionsNType() const {
    return "Empty";
}

TBasicConnections* TEmptyConnections::Clone(TBasicNetwork* owner) const {
    return new TEmptyConnections(owner, fromLayer, toLayer);
}

void TEmptyConnections::RemoveSourceNeuron(std::int32_t) {}

void TEmptyConnections::RemoveTargetNeuron(std::int32_t) {}

void TEmptyConnections::InsertSourceNeuron(std::int32_t, double, double, bool) {}

void TEmptyConnections::InsertTargetNeuron(std::int32_t, double, double, bool) {}
