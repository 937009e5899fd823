#include "NeuralNets/TBasicConnections.h"

#include "KQmessage/Check.h"
#include "NeuralNets/TBasicLayer.h"
#include "NeuralNets/TBasicNetwork.h"
#include "NeuralNets/TIterateObj.h"

TBasicConnections::TBasicConnections(TBasicNetwork* owner, std::int32_t from, std::int32_t to)
    : network(owner), fromLayer(from), toLayer(to) {}

TBasicConnections::~TBasicConnections() = default;

bool TBasicConnections::IsConnected() const {
    return true;
}

std::int32_t TBasicConnections::GetNumWeights(std::int32_t mask) {
    TIterateObjGetNumWeights visitor;
    IterateAll(visitor, mask);
    return visitor.count;
}

std::int32_t TBasicConnections::GetWeights(double* buffer, std::int32_t mask) {
    TIterateObjGetWeights visitor(buffer);
    IterateAll(visitor, mask);
    return visitor.count;
}

std::int32_t TBasicConnections::SetWeights(const double* buffer, std::int32_t mask) {
    TIterateObjSetWeights visitor(buffer);
    IterateAll(visitor, mask);
    return visitor.count;
}

void TBasicConnections::RandomizeWeights(double low, double high) {
    TIterateObjRandomize visitor(low, high);
    IterateAll(visitor, FMaskAll);
}

void TBasicConnections::AddWeightedInputs(double* values) {
    const std::int32_t nTo = NumTo();
    for (std::int32_t t = 0; t < nTo; ++t) {
        TIterateObjAggregate visitor;
        IterateIn(visitor, t, FMaskExists);
        values[t] += visitor.sum;
    }
}

bool TBasicConnections::IsTrainable(std::int32_t s, std::int32_t t) {
    return IsValid(s, t);
}

// A network file can ask a matrix without these for them, so they refuse rather than abort.
void TBasicConnections::RemoveArc(std::int32_t, std::int32_t) {
    ZORF_REFUSE("false");
}

void TBasicConnections::AddArc(std::int32_t, std::int32_t) {
    ZORF_REFUSE("false");
}

void TBasicConnections::Unfreeze(std::int32_t, std::int32_t) {
    ZORF_REFUSE("false");
}

void TBasicConnections::Freeze(std::int32_t, std::int32_t) {
    ZORF_REFUSE("false");
}

std::uint8_t TBasicConnections::GetFlags(std::int32_t, std::int32_t) {
    return FMaskAll;
}

// A matrix without flag bytes has every arc, trainable: there is nothing to store.
void TBasicConnections::SetFlags(std::int32_t, std::int32_t, std::uint8_t val) {
    if (val != FMaskAll && val != FMaskExists) {
        ZORF_FAIL("(val==FMaskAll) || (val==FMaskExists)");
    }
}

void TBasicConnections::Destroy() {
    delete this;
}

void TBasicConnections::InsertSourceNeuron(std::int32_t, double, double, bool) {
    ZORF_FAIL("false");
}

void TBasicConnections::InsertTargetNeuron(std::int32_t, double, double, bool) {
    ZORF_FAIL("false");
}

std::vector<std::uint8_t> TBasicConnections::GetAllFlags() {
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(GetNumWeights(FMaskExists)));
    TIterateObjGetFlags visitor(flags.data());
    IterateAll(visitor, FMaskExists);
    return flags;
}

void TBasicConnections::SetAllFlags(const std::uint8_t* flags) {
    TIterateObjSetFlags visitor(flags);
    IterateAll(visitor, FMaskExists);
}

void TBasicConnections::FreezeAll() {
    TIterateObjAllUntrainable visitor;
    IterateAll(visitor, FMaskExists);
}

std::int32_t TBasicConnections::NumFrom() const {
    return network->GetLayer(fromLayer)->GetNumNeurons();
}

std::int32_t TBasicConnections::NumTo() const {
    return network->GetLayer(toLayer)->GetNumNeurons();
}
