#include "NeuralNets/PropagationKernels.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "NeuralNets/TBasicConnections.h"

namespace PropagationKernels {

namespace {

// The product itself where the arc exists, +0.0 where it does not, without a branch: pruned
// arcs follow no pattern a branch predictor could learn.
double ExistingProduct(double product, std::uint8_t flags) {
    const std::uint64_t keep = 0 - static_cast<std::uint64_t>(flags & FMaskExists);
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(product) & keep);
}

double RowSum(const double* row, const double* source, std::int32_t count) {
    double sum = 0.0;
    for (std::int32_t s = 0; s < count; ++s) {
        sum += row[s] * source[s];
    }
    return sum;
}

double MaskedRowSum(const double* row, const std::uint8_t* flags, const double* source,
                    std::int32_t count) {
    double sum = 0.0;
    for (std::int32_t s = 0; s < count; ++s) {
        sum += ExistingProduct(row[s] * source[s], flags[s]);
    }
    return sum;
}

constexpr std::int32_t kLanes = TPackedWeights::kBlockTargets;
// Blocks summed side by side, so that the additions of one block's chain overlap with those
// of the others.
constexpr std::int32_t kBlocksAtOnce = 4;

using TLanes = double __attribute__((vector_size(kLanes * sizeof(double))));

// sums[b * kLanes + lane] = the sum of block b's lane, for count blocks from first.
__attribute__((target_clones("avx512f", "avx2", "default"))) void SumBlocks(
    const TPackedWeights::TBlockRow* first, std::int32_t numFrom, std::int32_t count,
    const double* source, double* sums) {
    const std::size_t stride = static_cast<std::size_t>(numFrom);
    std::int32_t b = 0;
    for (; b + kBlocksAtOnce <= count; b += kBlocksAtOnce) {
        const TPackedWeights::TBlockRow* rows = first + static_cast<std::size_t>(b) * stride;
        TLanes sum0 = {};
        TLanes sum1 = {};
        TLanes sum2 = {};
        TLanes sum3 = {};
        for (std::size_t s = 0; s < stride; ++s) {
            const TLanes x = TLanes{} + source[s];
            TLanes w0;
            TLanes w1;
            TLanes w2;
            TLanes w3;
            std::memcpy(&w0, rows[s].lanes, sizeof w0);
            std::memcpy(&w1, rows[stride + s].lanes, sizeof w1);
            std::memcpy(&w2, rows[2 * stride + s].lanes, sizeof w2);
            std::memcpy(&w3, rows[3 * stride + s].lanes, sizeof w3);
            sum0 += w0 * x;
            sum1 += w1 * x;
            sum2 += w2 * x;
            sum3 += w3 * x;
        }
        double* out = sums + static_cast<std::size_t>(b) * kLanes;
        std::memcpy(out, &sum0, sizeof sum0);
        std::memcpy(out + kLanes, &sum1, sizeof sum1);
        std::memcpy(out + 2 * kLanes, &sum2, sizeof sum2);
        std::memcpy(out + 3 * kLanes, &sum3, sizeof sum3);
    }
    for (; b < count; ++b) {
        const TPackedWeights::TBlockRow* rows = first + static_cast<std::size_t>(b) * stride;
        TLanes sum = {};
        for (std::size_t s = 0; s < stride; ++s) {
            TLanes w;
            std::memcpy(&w, rows[s].lanes, sizeof w);
            sum += w * (TLanes{} + source[s]);
        }
        std::memcpy(sums + static_cast<std::size_t>(b) * kLanes, &sum, sizeof sum);
    }
}

}  // namespace

void AddPlain(const TArcGrid<double>& weights, const TArcGrid<std::uint8_t>* flags,
              const double* source, double* values) {
    const std::int32_t numFrom = weights.NumFrom();
    for (std::int32_t t = 0; t < weights.NumTo(); ++t) {
        values[t] += flags != nullptr ? MaskedRowSum(weights.Row(t), flags->Row(t), source, numFrom)
                                      : RowSum(weights.Row(t), source, numFrom);
    }
}

void AddVectorized(const TPackedWeights& packed, const double* source, double* values) {
    // The sums of a few blocks at a time, so that the buffer stays small and on the stack.
    constexpr std::int32_t kBlocksPerPass = 16;
    double sums[kBlocksPerPass * kLanes];
    const std::int32_t numTo = packed.NumTo();
    for (std::int32_t b = 0; b < packed.NumBlocks(); b += kBlocksPerPass) {
        const std::int32_t count = std::min(kBlocksPerPass, packed.NumBlocks() - b);
        SumBlocks(packed.Block(b), packed.NumFrom(), count, source, sums);
        const std::int32_t firstTarget = b * kLanes;
        const std::int32_t targets = std::min(count * kLanes, numTo - firstTarget);
        for (std::int32_t i = 0; i < targets; ++i) {
            values[firstTarget + i] += sums[i];
        }
    }
}

bool AllFinite(const double* values, std::int32_t count) {
    constexpr std::uint64_t kExponent = 0x7ff0000000000000;
    std::uint64_t infiniteOrNaN = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint64_t exponent = std::bit_cast<std::uint64_t>(values[i]) & kExponent;
        infiniteOrNaN |= exponent == kExponent ? 1 : 0;
    }
    return infiniteOrNaN == 0;
}

void AddWeightedSums(const TArcGrid<double>& weights, const TArcGrid<std::uint8_t>* flags,
                     const TPackedWeights* packed, const double* source, double* values) {
    if (packed != nullptr && AllFinite(source, weights.NumFrom())) {
        AddVectorized(*packed, source, values);
        return;
    }
    AddPlain(weights, flags, source, values);
}

}  // namespace PropagationKernels
