#include "NeuralNets/Kernels/TPackedWeights.h"

#include <bit>

#include "NeuralNets/ArcFlags.h"

void TPackedWeights::Pack(const TArcGrid<double>& weights, const TArcGrid<std::uint8_t>* flags) {
    numFrom = weights.NumFrom();
    numTo = weights.NumTo();
    absentArcs = false;
    rows.assign(static_cast<std::size_t>(NumBlocks()) * static_cast<std::size_t>(numFrom),
                TBlockRow{});
    for (std::int32_t t = 0; t < numTo; ++t) {
        TBlockRow* block = rows.data() + static_cast<std::size_t>(t / kBlockTargets) *
                                             static_cast<std::size_t>(numFrom);
        for (std::int32_t s = 0; s < numFrom; ++s) {
            block[s].lanes[t % kBlockTargets] = PackedWeight(weights, flags, s, t);
            absentArcs = absentArcs || (flags != nullptr && (flags->Row(t)[s] & FMaskExists) == 0);
        }
    }
    packed = true;
}

void TPackedWeights::Clear() {
    packed = false;
    absentArcs = false;
    numFrom = 0;
    numTo = 0;
    rows.clear();
    rows.shrink_to_fit();
}

bool TPackedWeights::Matches(const TArcGrid<double>& weights,
                             const TArcGrid<std::uint8_t>* flags) const {
    if (weights.NumFrom() != numFrom || weights.NumTo() != numTo) {
        return false;
    }
    for (std::int32_t t = 0; t < numTo; ++t) {
        const TBlockRow* block = Block(t / kBlockTargets);
        for (std::int32_t s = 0; s < numFrom; ++s) {
            const double packedWeight = block[s].lanes[t % kBlockTargets];
            const double weight = PackedWeight(weights, flags, s, t);
            // Compared as bits: a NaN weight is still the same weight.
            if (std::bit_cast<std::uint64_t>(packedWeight) !=
                std::bit_cast<std::uint64_t>(weight)) {
                return false;
            }
        }
    }
    return true;
}

double TPackedWeights::PackedWeight(const TArcGrid<double>& weights,
                                    const TArcGrid<std::uint8_t>* flags, std::int32_t s,
                                    std::int32_t t) {
    if (flags != nullptr && (flags->Row(t)[s] & FMaskExists) == 0) {
        return 0.0;
    }
    return weights.Row(t)[s];
}
