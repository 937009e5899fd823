#pragma once

#include <cstdint>
#include <vector>

#include "NeuralNets/TArcGrid.h"

// A copy of a matrix's weights laid out for the vectorized propagation kernel: the target
// neurons in blocks of kBlockTargets, and within a block, for each source neuron in order, the
// weights of the block's targets side by side. An absent arc and a lane past the last target
// hold 0.0. The copy is taken by Pack and is only as current as the weights were then.
class TPackedWeights {
  public:
    static constexpr std::int32_t kBlockTargets = 8;
    // A copy takes as much memory again as the weights; a matrix larger than this (128 MiB of
    // weights) keeps to the plain kernel rather than double what the network takes.
    static constexpr std::int64_t kMaxWeights = std::int64_t{1} << 24;

    static bool Affordable(std::int32_t numFrom, std::int32_t numTo) {
        return static_cast<std::int64_t>(numFrom) * numTo <= kMaxWeights;
    }

    // The weights of one source for the targets of one block.
    struct alignas(kBlockTargets * sizeof(double)) TBlockRow {
        double lanes[kBlockTargets];
    };

    // Arcs whose flag lacks the exists bit are absent; no flags: every arc exists.
    void Pack(const TArcGrid<double>& weights, const TArcGrid<std::uint8_t>* flags);
    void Clear();
    bool IsPacked() const { return packed; }
    // Whether some arc is absent: its 0.0 weight then stands for an arc that adds nothing.
    bool HasAbsentArcs() const { return absentArcs; }
    // Whether the copy still holds what Pack would take from the matrix now.
    bool Matches(const TArcGrid<double>& weights, const TArcGrid<std::uint8_t>* flags) const;

    std::int32_t NumFrom() const { return numFrom; }
    std::int32_t NumTo() const { return numTo; }
    std::int32_t NumBlocks() const { return (numTo + kBlockTargets - 1) / kBlockTargets; }
    // The numFrom rows of block b, sources in order.
    const TBlockRow* Block(std::int32_t b) const {
        return rows.data() + static_cast<std::size_t>(b) * static_cast<std::size_t>(numFrom);
    }

  private:
    bool packed = false;
    bool absentArcs = false;
    std::int32_t numFrom = 0;
    std::int32_t numTo = 0;
    std::vector<TBlockRow> rows;

    static double PackedWeight(const TArcGrid<double>& weights, const TArcGrid<std::uint8_t>* flags,
                               std::int32_t s, std::int32_t t);
};
