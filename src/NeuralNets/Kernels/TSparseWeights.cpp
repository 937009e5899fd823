#include "NeuralNets/Kernels/TSparseWeights.h"

#include <bit>

#include "NeuralNets/TBasicConnections.h"

namespace {

bool Exists(const TArcGrid<std::uint8_t>& flags, std::int32_t s, std::int32_t t) {
    return (flags.Row(t)[s] & FMaskExists) != 0;
}

std::int64_t ExistingArcs(const TArcGrid<std::uint8_t>& flags) {
    std::int64_t count = 0;
    for (std::int32_t t = 0; t < flags.NumTo(); ++t) {
        for (std::int32_t s = 0; s < flags.NumFrom(); ++s) {
            count += Exists(flags, s, t) ? 1 : 0;
        }
    }
    return count;
}

}  // namespace

bool TSparseWeights::DensityAtMost(const TArcGrid<std::uint8_t>* flags, double share) {
    if (flags == nullptr) {
        return false;
    }
    const double grid = static_cast<double>(flags->NumFrom()) * flags->NumTo();
    return static_cast<double>(ExistingArcs(*flags)) <= share * grid;
}

void TSparseWeights::Pack(const TArcGrid<double>& weights, const TArcGrid<std::uint8_t>& flags) {
    Clear();
    for (std::int32_t t = 0; t < weights.NumTo(); ++t) {
        for (std::int32_t s = 0; s < weights.NumFrom(); ++s) {
            if (Exists(flags, s, t)) {
                sources.push_back(s);
                arcWeights.push_back(weights.Row(t)[s]);
            }
        }
        firstArc.push_back(static_cast<std::int32_t>(sources.size()));
    }
    packed = true;
}

void TSparseWeights::Clear() {
    packed = false;
    firstArc.assign(1, 0);
    sources.clear();
    sources.shrink_to_fit();
    arcWeights.clear();
    arcWeights.shrink_to_fit();
}

bool TSparseWeights::Matches(const TArcGrid<double>& weights,
                             const TArcGrid<std::uint8_t>& flags) const {
    TSparseWeights now;
    now.Pack(weights, flags);
    if (now.firstArc != firstArc || now.sources != sources) {
        return false;
    }
    // Compared as bits: a NaN weight is still the same weight.
    for (std::size_t k = 0; k < arcWeights.size(); ++k) {
        if (std::bit_cast<std::uint64_t>(now.arcWeights[k]) !=
            std::bit_cast<std::uint64_t>(arcWeights[k])) {
            return false;
        }
    }
    return true;
}
