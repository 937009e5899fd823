#pragma once

#include "NeuralNets/Kernels/PropagationKernels.h"
#include "NeuralNets/Kernels/TPackedWeights.h"
#include "NeuralNets/Kernels/TSparseWeights.h"
#include "NeuralNets/PseudoRandom.h"
#include "NeuralNets/TArcGrid.h"
#include "NeuralNets/TBasicConnections.h"
#include "NeuralNets/TBasicNetwork.h"
#include "NeuralNets/TIterateObj.h"

// What the two general matrices share: the weights of every source-target pair in one grid,
// and the arc walks, which differ only in where an arc's flag byte comes from.
class TGridConnections : public TBasicConnections {
  public:
    // The caller may write through the reference, so the packed copy is dropped.
    double& GetWeight(std::int32_t s, std::int32_t t) override {
        DropPackedWeights();
        return weights.At(s, t);
    }
    void RemoveSourceNeuron(std::int32_t k) override;
    void RemoveTargetNeuron(std::int32_t k) override;

    // The copies of the weights that propagation uses while a TPackedPropagation lives: the
    // existing arcs alone where few are left, the packed grid where more are; both in between,
    // where batches of rows take the one and single rows the other.
    void PackWeights();
    void DropPackedWeights();
    // The copies propagation uses now; none outside a TPackedPropagation.
    PropagationKernels::TWeightCopies Copies() const {
        return {packed.IsPacked() ? &packed : nullptr, sparse.IsPacked() ? &sparse : nullptr};
    }
    // Whether the copy (if there is one) still matches the weights and arcs.
    bool PackedWeightsAreCurrent() const;

  protected:
    TArcGrid<double> weights;
    TPackedWeights packed;
    TSparseWeights sparse;

    // The arcs' flag bytes; none when every arc exists.
    virtual const TArcGrid<std::uint8_t>* ArcFlags() const { return nullptr; }
    // AddWeightedInputs of both general matrices.
    void AddWeightedSums(double* values) const;

    // Sized from the network's current neuron counts, every weight 0.0.
    TGridConnections(TBasicNetwork* owner, std::int32_t from, std::int32_t to);
    TGridConnections(TBasicNetwork* owner, const TGridConnections& source);

    // Every weight whose arc is trainable (trainableAt(s, t)) gets a random weight in
    // [low, high), in array order; an empty range makes them all low.
    template <class TrainableAt>
    void RandomizeWhere(double low, double high, TrainableAt trainableAt);

    // The walks visit the arcs whose flag byte flagOf(s, t) the mask selects.
    template <class FlagOf>
    void WalkIn(TIterateObj& visitor, std::int32_t t, std::int32_t mask, FlagOf flagOf);
    template <class FlagOf>
    void WalkOut(TIterateObj& visitor, std::int32_t s, std::int32_t mask, FlagOf flagOf);
    template <class FlagOf>
    void WalkAll(TIterateObj& visitor, std::int32_t mask, FlagOf flagOf);
    template <class FlagOf>
    void WalkAll2(TIterateObj2& visitor, TBasicNetwork* second, std::int32_t mask, FlagOf flagOf);
    template <class FlagOf>
    void WalkAll3(TIterateObj3& visitor, TBasicNetwork* second, TBasicNetwork* third,
                  std::int32_t mask, FlagOf flagOf);

    // A new source neuron's column, or target neuron's row, with random weights in
    // [low, high) when the new arcs exist, 0.0 otherwise.
    void InsertColumn(std::int32_t k, double low, double high, bool attached);
    void InsertRow(std::int32_t k, double low, double high, bool attached);

    static std::uint8_t TrainableBit(std::uint8_t flags) {
        return (flags & FMaskTrainable) != 0 ? 1 : 0;
    }

  private:
    // Calls visit(s, t, flags) for every selected arc, targets in order and their sources
    // in order.
    template <class FlagOf, class Visit>
    void ForEachSelected(std::int32_t mask, FlagOf flagOf, Visit visit);
    void VisitArc(TIterateObj& visitor, std::int32_t s, std::int32_t t, std::uint8_t flags);
};

template <class TrainableAt>
void TGridConnections::RandomizeWhere(double low, double high, TrainableAt trainableAt) {
    DropPackedWeights();
    for (std::int32_t t = 0; t < weights.NumTo(); ++t) {
        double* row = weights.Row(t);
        for (std::int32_t s = 0; s < weights.NumFrom(); ++s) {
            if (trainableAt(s, t)) {
                row[s] = PseudoRandom::WeightInRange(low, high);
            }
        }
    }
}

template <class FlagOf>
void TGridConnections::WalkIn(TIterateObj& visitor, std::int32_t t, std::int32_t mask,
                              FlagOf flagOf) {
    // Visitors may write through the weight locations they are handed.
    DropPackedWeights();
    visitor.Prepare(network, fromLayer, toLayer);
    for (std::int32_t s = 0; s < weights.NumFrom(); ++s) {
        const std::uint8_t flags = flagOf(s, t);
        if (Selects(mask, flags)) {
            VisitArc(visitor, s, t, flags);
        }
    }
}

template <class FlagOf>
void TGridConnections::WalkOut(TIterateObj& visitor, std::int32_t s, std::int32_t mask,
                               FlagOf flagOf) {
    // Visitors may write through the weight locations they are handed.
    DropPackedWeights();
    visitor.Prepare(network, fromLayer, toLayer);
    for (std::int32_t t = 0; t < weights.NumTo(); ++t) {
        const std::uint8_t flags = flagOf(s, t);
        if (Selects(mask, flags)) {
            VisitArc(visitor, s, t, flags);
        }
    }
}

template <class FlagOf>
void TGridConnections::WalkAll(TIterateObj& visitor, std::int32_t mask, FlagOf flagOf) {
    // Visitors may write through the weight locations they are handed.
    DropPackedWeights();
    visitor.Prepare(network, fromLayer, toLayer);
    ForEachSelected(mask, flagOf, [&](std::int32_t s, std::int32_t t, std::uint8_t flags) {
        VisitArc(visitor, s, t, flags);
    });
}

template <class FlagOf>
void TGridConnections::WalkAll2(TIterateObj2& visitor, TBasicNetwork* second, std::int32_t mask,
                                FlagOf flagOf) {
    // Visitors may write through the weight locations they are handed.
    DropPackedWeights();
    visitor.Prepare(network, second, fromLayer, toLayer);
    ForEachSelected(mask, flagOf, [&](std::int32_t s, std::int32_t t, std::uint8_t flags) {
        visitor.fromNode = s;
        visitor.toNode = t;
        visitor.weight1 = &weights.At(s, t);
        visitor.weight2 = &visitor.conns2->GetWeight(s, t);
        visitor.trainable = TrainableBit(flags);
        visitor.Visit();
    });
}

template <class FlagOf>
void TGridConnections::WalkAll3(TIterateObj3& visitor, TBasicNetwork* second, TBasicNetwork* third,
                                std::int32_t mask, FlagOf flagOf) {
    // Visitors may write through the weight locations they are handed.
    DropPackedWeights();
    visitor.Prepare(network, second, third, fromLayer, toLayer);
    ForEachSelected(mask, flagOf, [&](std::int32_t s, std::int32_t t, std::uint8_t flags) {
        visitor.fromNode = s;
        visitor.toNode = t;
        visitor.weight1 = &weights.At(s, t);
        visitor.weight2 = &visitor.conns2->GetWeight(s, t);
        visitor.weight3 = &visitor.conns3->GetWeight(s, t);
        visitor.trainable = TrainableBit(flags);
        visitor.Visit();
    });
}

template <class FlagOf, class Visit>
void TGridConnections::ForEachSelected(std::int32_t mask, FlagOf flagOf, Visit visit) {
    for (std::int32_t t = 0; t < weights.NumTo(); ++t) {
        for (std::int32_t s = 0; s < weights.NumFrom(); ++s) {
            const std::uint8_t flags = flagOf(s, t);
            if (Selects(mask, flags)) {
                visit(s, t, flags);
            }
        }
    }
}
