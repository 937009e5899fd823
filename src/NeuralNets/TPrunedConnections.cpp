#include "NeuralNets/TPrunedConnections.h"

#include "NeuralNets/TBasicLayer.h"

namespace {

std::uint8_t NewArcFlags(bool attached) {
    return attached ? FMaskAll : 0;
}

}  // namespace

TPrunedConnections::TPrunedConnections(TBasicNetwork* owner, std::int32_t from, std::int32_t to)
    : TGridConnections(owner, from, to), masks(weights.NumTo(), weights.NumFrom(), FMaskAll) {}

TPrunedConnections::TPrunedConnections(TBasicNetwork* owner, const TPrunedConnections& source)
    : TGridConnections(owner, source), masks(source.masks) {}

void TPrunedConnections::RandomizeWeights(double low, double high) {
    RandomizeWhere(low, high, [this](std::int32_t s, std::int32_t t) {
        return (masks.At(s, t) & FMaskTrainable) != 0;
    });
}

void TPrunedConnections::AddWeightedInputs(double* values) {
    AddWeightedSums(values);
}

bool TPrunedConnections::IsValid(std::int32_t s, std::int32_t t) {
    return (masks.At(s, t) & FMaskExists) != 0;
}

bool TPrunedConnections::IsTrainable(std::int32_t s, std::int32_t t) {
    return (masks.At(s, t) & FMaskTrainable) != 0;
}

void TPrunedConnections::RemoveArc(std::int32_t s, std::int32_t t) {
    DropPackedWeights();
    masks.At(s, t) = 0;
    weights.At(s, t) = 0.0;
}

void TPrunedConnections::AddArc(std::int32_t s, std::int32_t t) {
    DropPackedWeights();
    if (!IsValid(s, t)) {
        masks.At(s, t) = FMaskAll;
        weights.At(s, t) = 0.0;
    }
}

void TPrunedConnections::Unfreeze(std::int32_t s, std::int32_t t) {
    if (IsValid(s, t)) {
        masks.At(s, t) |= FMaskTrainable;
    }
}

void TPrunedConnections::Freeze(std::int32_t s, std::int32_t t) {
    masks.At(s, t) &= static_cast<std::uint8_t>(~FMaskTrainable);
}

void TPrunedConnections::IterateIn(TIterateObj& visitor, std::int32_t t, std::int32_t mask) {
    WalkIn(visitor, t, mask, FlagOf());
}

void TPrunedConnections::IterateOut(TIterateObj& visitor, std::int32_t s, std::int32_t mask) {
    WalkOut(visitor, s, mask, FlagOf());
}

void TPrunedConnections::IterateAll(TIterateObj& visitor, std::int32_t mask) {
    WalkAll(visitor, mask, FlagOf());
}

void TPrunedConnections::IterateAll2(TIterateObj2& visitor, TBasicNetwork* second,
                                     std::int32_t mask) {
    WalkAll2(visitor, second, mask, FlagOf());
}

void TPrunedConnections::IterateAll3(TIterateObj3& visitor, TBasicNetwork* second,
                                     TBasicNetwork* third, std::int32_t mask) {
    WalkAll3(visitor, second, third, mask, FlagOf());
}

const char* TPrunedConnections::GetConnectionsNType() const {
    return "Pruneable";
}

std::uint8_t TPrunedConnections::GetFlags(std::int32_t s, std::int32_t t) {
    return masks.At(s, t);
}

void TPrunedConnections::SetFlags(std::int32_t s, std::int32_t t, std::uint8_t val) {
    DropPackedWeights();
    masks.At(s, t) = val;
}

TBasicConnections* TPrunedConnections::Clone(TBasicNetwork* owner) const {
    return new TPrunedConnections(owner, *this);
}

void TPrunedConnections::RemoveSourceNeuron(std::int32_t k) {
    TGridConnections::RemoveSourceNeuron(k);
    masks.RemoveColumn(k);
}

void TPrunedConnections::RemoveTargetNeuron(std::int32_t k) {
    TGridConnections::RemoveTargetNeuron(k);
    masks.RemoveRow(k);
}

void TPrunedConnections::InsertSourceNeuron(std::int32_t k, double low, double high,
                                            bool attached) {
    InsertColumn(k, low, high, attached);
    masks.InsertColumn(k, NewArcFlags(attached));
}

void TPrunedConnections::InsertTargetNeuron(std::int32_t k, double low, double high,
                                            bool attached) {
    InsertRow(k, low, high, attached);
    masks.InsertRow(k, NewArcFlags(attached));
}
