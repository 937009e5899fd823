#pragma once

#include <cstdint>
#include <vector>

#include "NeuralNets/TArcGrid.h"

// A copy of a heavily pruned matrix's weights for the sparse propagation kernel: for each target
// neuron, its existing arcs in source order, each as the source's number and the weight. A row
// then costs what its existing arcs cost, not what the whole grid would. The copy is taken by
// Pack and is only as current as the weights were then.
class TSparseWeights {
  public:
    // Below this share of existing arcs, visiting each existing arc of one row costs less than
    // sweeping the whole grid with the vectorized kernel: an arc visited alone took about six
    // times what a weight in the vectorized sweep takes (0.67 ns against 0.11 ns).
    static constexpr double kMaxDensity = 0.15;
    // The same for batches of rows, where an arc's loads serve every row of the batch: with four
    // targets side by side, recall with one thread took, the sparse kernel against the packed
    // one, 0.99 s against 1.31-1.41 s at 20% of the arcs ("large") and 0.39-0.42 s against
    // 0.39-0.40 s at 50% ("compute"). Below the 50% tie, with a margin.
    static constexpr double kMaxBatchDensity = 0.4;

    // Whether a matrix with these arc flags has at most this share of its arcs existing; no
    // flags: every arc exists.
    static bool DensityAtMost(const TArcGrid<std::uint8_t>* flags, double share);

    void Pack(const TArcGrid<double>& weights, const TArcGrid<std::uint8_t>& flags);
    void Clear();
    bool IsPacked() const { return packed; }
    bool Matches(const TArcGrid<double>& weights, const TArcGrid<std::uint8_t>& flags) const;

    std::int32_t NumTo() const { return static_cast<std::int32_t>(firstArc.size()) - 1; }
    // The arcs of target t are firstArc[t] up to firstArc[t + 1].
    const std::int32_t* FirstArc() const { return firstArc.data(); }
    const std::int32_t* Sources() const { return sources.data(); }
    const double* Weights() const { return arcWeights.data(); }

  private:
    bool packed = false;
    std::vector<std::int32_t> firstArc = std::vector<std::int32_t>(1, 0);
    std::vector<std::int32_t> sources;
    std::vector<double> arcWeights;
};
