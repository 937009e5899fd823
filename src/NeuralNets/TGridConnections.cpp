#include "NeuralNets/TGridConnections.h"

#include "NeuralNets/Kernels/PropagationKernels.h"
#include "NeuralNets/TBasicLayer.h"

TGridConnections::TGridConnections(TBasicNetwork* owner, std::int32_t from, std::int32_t to)
    : TBasicConnections(owner, from, to),
      weights(owner->GetLayer(to)->GetNumNeurons(), owner->GetLayer(from)->GetNumNeurons(), 0.0) {}

TGridConnections::TGridConnections(TBasicNetwork* owner, const TGridConnections& source)
    : TBasicConnections(owner, source.fromLayer, source.toLayer), weights(source.weights) {}

void TGridConnections::RemoveSourceNeuron(std::int32_t k) {
    DropPackedWeights();
    weights.RemoveColumn(k);
}

void TGridConnections::RemoveTargetNeuron(std::int32_t k) {
    DropPackedWeights();
    weights.RemoveRow(k);
}

void TGridConnections::PackWeights() {
    const TArcGrid<std::uint8_t>* flags = ArcFlags();
    if (TSparseWeights::DensityAtMost(flags, TSparseWeights::kMaxBatchDensity)) {
        sparse.Pack(weights, *flags);
    }
    // Without a vectorized kernel in the build, a packed copy would only take memory.
    if (!TSparseWeights::DensityAtMost(flags, TSparseWeights::kMaxDensity) &&
        !PropagationKernels::VectorizedVariants().empty() &&
        TPackedWeights::Affordable(weights.NumFrom(), weights.NumTo())) {
        packed.Pack(weights, flags);
    }
}

void TGridConnections::DropPackedWeights() {
    if (packed.IsPacked()) {
        packed.Clear();
    }
    if (sparse.IsPacked()) {
        sparse.Clear();
    }
}

bool TGridConnections::PackedWeightsAreCurrent() const {
    return (!packed.IsPacked() || packed.Matches(weights, ArcFlags())) &&
           (!sparse.IsPacked() || sparse.Matches(weights, *ArcFlags()));
}

void TGridConnections::AddWeightedSums(double* values) const {
    PropagationKernels::AddWeightedSums(weights, ArcFlags(), Copies(),
                                        network->GetLayer(fromLayer)->GetValues(), values);
}

void TGridConnections::VisitArc(TIterateObj& visitor, std::int32_t s, std::int32_t t,
                                std::uint8_t flags) {
    visitor.fromNode = s;
    visitor.toNode = t;
    visitor.weight = &weights.At(s, t);
    visitor.trainable = TrainableBit(flags);
    visitor.Visit();
}

void TGridConnections::InsertColumn(std::int32_t k, double low, double high, bool attached) {
    DropPackedWeights();
    weights.InsertColumn(k, 0.0);
    if (!attached) {
        return;
    }
    for (std::int32_t t = 0; t < weights.NumTo(); ++t) {
        weights.At(k, t) = PseudoRandom::Weight(low, high);
    }
}

void TGridConnections::InsertRow(std::int32_t k, double low, double high, bool attached) {
    DropPackedWeights();
    weights.InsertRow(k, 0.0);
    if (!attached) {
        return;
    }
    for (std::int32_t s = 0; s < weights.NumFrom(); ++s) {
        weights.At(s, k) = PseudoRandom::Weight(low, high);
    }
}
