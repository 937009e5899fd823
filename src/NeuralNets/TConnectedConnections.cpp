#include "NeuralNets/TConnectedConnections.h"

#include "KQmessage/Check.h"
#include "NeuralNets/TBasicLayer.h"

namespace {

// Every arc exists and is trainable, so every mask selects it.
std::uint8_t EveryArc(std::int32_t, std::int32_t) {
    return FMaskAll;
}

}  // namespace

TConnectedConnections::TConnectedConnections(TBasicNetwork* owner, std::int32_t from,
                                             std::int32_t to)
    : TGridConnections(owner, from, to) {}

TConnectedConnections::TConnectedConnections(TBasicNetwork* owner,
                                             const TConnectedConnections& source)
    : TGridConnections(owner, source) {}

std::int32_t TConnectedConnections::GetNumWeights(std::int32_t) {
    return weights.NumFrom() * weights.NumTo();
}

std::int32_t TConnectedConnections::GetWeights(double* buffer, std::int32_t) {
    return ForEachSourceMajor([&buffer](double& weight) { *buffer++ = weight; });
}

std::int32_t TConnectedConnections::SetWeights(const double* buffer, std::int32_t) {
    return ForEachSourceMajor([&buffer](double& weight) { weight = *buffer++; });
}

template <class Transfer>
std::int32_t TConnectedConnections::ForEachSourceMajor(Transfer transfer) {
    DropPackedWeights();
    for (std::int32_t s = 0; s < weights.NumFrom(); ++s) {
        for (std::int32_t t = 0; t < weights.NumTo(); ++t) {
            transfer(weights.At(s, t));
        }
    }
    return weights.NumFrom() * weights.NumTo();
}

void TConnectedConnections::RandomizeWeights(double low, double high) {
    RandomizeWhere(low, high, [](std::int32_t, std::int32_t) { return true; });
}

void TConnectedConnections::AddWeightedInputs(double* values) {
    AddWeightedSums(values);
}

bool TConnectedConnections::IsValid(std::int32_t, std::int32_t) {
    return true;
}

void TConnectedConnections::AddArc(std::int32_t, std::int32_t) {}

void TConnectedConnections::Unfreeze(std::int32_t, std::int32_t) {}

void TConnectedConnections::IterateIn(TIterateObj& visitor, std::int32_t t, std::int32_t mask) {
    WalkIn(visitor, t, mask, EveryArc);
}

void TConnectedConnections::IterateOut(TIterateObj& visitor, std::int32_t s, std::int32_t mask) {
    WalkOut(visitor, s, mask, EveryArc);
}

void TConnectedConnections::IterateAll(TIterateObj& visitor, std::int32_t mask) {
    WalkAll(visitor, mask, EveryArc);
}

void TConnectedConnections::IterateAll2(TIterateObj2& visitor, TBasicNetwork* second,
                                        std::int32_t mask) {
    WalkAll2(visitor, second, mask, EveryArc);
}

void TConnectedConnections::IterateAll3(TIterateObj3& visitor, TBasicNetwork* second,
                                        TBasicNetwork* third, std::int32_t mask) {
    WalkAll3(visitor, second, third, mask, EveryArc);
}

const char* TConnectedConnections::GetConnectionsNType() const {
    return "FullyConnected";
}

TBasicConnections* TConnectedConnections::Clone(TBasicNetwork* owner) const {
    return new TConnectedConnections(owner, *this);
}

void TConnectedConnections::InsertSourceNeuron(std::int32_t k, double low, double high,
                                               bool attached) {
    ZORF_ASSERT(attached);
    InsertColumn(k, low, high, attached);
}

void TConnectedConnections::InsertTargetNeuron(std::int32_t k, double low, double high,
                                               bool attached) {
    ZORF_ASSERT(attached);
    InsertRow(k, low, high, attached);
}
