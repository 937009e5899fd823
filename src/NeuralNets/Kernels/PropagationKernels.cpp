#include "NeuralNets/Kernels/PropagationKernels.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "NeuralNets/ArcFlags.h"

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
using TLanes = double __attribute__((vector_size(kLanes * sizeof(double))));

#if ZORF_X86_KERNELS

// Blocks summed side by side, so that the additions of one block's chain overlap with those
// of the others.
constexpr std::int32_t kBlocksAtOnce = 4;

// values[t] += the sum of t's lane: a whole block with one vector addition and store, so that
// a later vector load of the block's values is served by that store. The sum comes by
// reference: clang refuses a wide vector passed by value into the default clone, which has
// no vector registers of that width, even where the call is inlined.
template <class TLanesType>
[[gnu::always_inline]] inline void AddBlockSum(const TLanesType& sum, double* values,
                                               std::int32_t targets) {
    if (targets == kLanes) {
        TLanesType block;
        std::memcpy(&block, values, sizeof block);
        block += sum;
        std::memcpy(values, &block, sizeof block);
        return;
    }
    double sums[kLanes];
    std::memcpy(sums, &sum, sizeof sum);
    for (std::int32_t lane = 0; lane < targets; ++lane) {
        values[lane] += sums[lane];
    }
}

// For the blocks of `packed`: values[t] += the sum of t's lane. Inlined into each variant, so
// that it is compiled for the variant's instruction set.
[[gnu::always_inline]] inline void AddBlocks(const TPackedWeights& packed, const double* source,
                                             double* values) {
    const std::size_t stride = static_cast<std::size_t>(packed.NumFrom());
    const std::int32_t count = packed.NumBlocks();
    const auto targetsOf = [&packed](std::int32_t b) {
        return std::min(kLanes, packed.NumTo() - b * kLanes);
    };
    std::int32_t b = 0;
    for (; b + kBlocksAtOnce <= count; b += kBlocksAtOnce) {
        const TPackedWeights::TBlockRow* rows = packed.Block(b);
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
        double* out = values + static_cast<std::size_t>(b) * kLanes;
        AddBlockSum(sum0, out, targetsOf(b));
        AddBlockSum(sum1, out + kLanes, targetsOf(b + 1));
        AddBlockSum(sum2, out + 2 * kLanes, targetsOf(b + 2));
        AddBlockSum(sum3, out + 3 * kLanes, targetsOf(b + 3));
    }
    for (; b < count; ++b) {
        const TPackedWeights::TBlockRow* rows = packed.Block(b);
        TLanes sum = {};
        for (std::size_t s = 0; s < stride; ++s) {
            TLanes w;
            std::memcpy(&w, rows[s].lanes, sizeof w);
            sum += w * (TLanes{} + source[s]);
        }
        AddBlockSum(sum, values + static_cast<std::size_t>(b) * kLanes, targetsOf(b));
    }
}

__attribute__((target("avx512f"))) void AddBlocksAvx512(const TPackedWeights& packed,
                                                        const double* source, double* values) {
    AddBlocks(packed, source, values);
}

__attribute__((target("avx2"))) void AddBlocksAvx2(const TPackedWeights& packed,
                                                   const double* source, double* values) {
    AddBlocks(packed, source, values);
}

void AddBlocksBaseline(const TPackedWeights& packed, const double* source, double* values) {
    AddBlocks(packed, source, values);
}

bool RunsAvx512() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f");
}

bool RunsAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

bool RunsEverywhere() {
    return true;
}

constexpr TVectorizedVariant kVariants[] = {{"avx512f", AddBlocksAvx512, RunsAvx512},
                                            {"avx2", AddBlocksAvx2, RunsAvx2},
                                            {"baseline", AddBlocksBaseline, RunsEverywhere}};

#endif

// The batch kernels are plain vector arithmetic, which every target of the compiler lowers; on
// x86-64 each is compiled for the wider instruction sets too and runs the best one here.
#if ZORF_X86_KERNELS
#define ZORF_BATCH_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define ZORF_BATCH_CLONES
#endif

static_assert(kBatchRows == kLanes, "a batch's rows fill the lanes of one vector");

// The rows of one batch neuron as a vector; by reference, for the reason AddBlockSum gives.
[[gnu::always_inline]] inline void LoadBatch(TLanes& lanes, const double* values) {
    std::memcpy(&lanes, values, sizeof lanes);
}

[[gnu::always_inline]] inline void AddToBatch(const TLanes& sum, double* values) {
    TLanes block;
    LoadBatch(block, values);
    block += sum;
    std::memcpy(values, &block, sizeof block);
}

// Each block of packed targets: for every source in order, its rows times each target's
// weight, eight targets by eight rows in registers.
ZORF_BATCH_CLONES void AddBlocksBatch(const TPackedWeights& packed, const double* source,
                                      double* values) {
    const std::size_t stride = static_cast<std::size_t>(packed.NumFrom());
    for (std::int32_t b = 0; b < packed.NumBlocks(); ++b) {
        const TPackedWeights::TBlockRow* rows = packed.Block(b);
        TLanes sums[kLanes] = {};
        for (std::size_t s = 0; s < stride; ++s) {
            TLanes x;
            LoadBatch(x, source + s * kBatchRows);
            for (std::int32_t lane = 0; lane < kLanes; ++lane) {
                sums[lane] += rows[s].lanes[lane] * x;
            }
        }
        const std::int32_t targets = std::min(kLanes, packed.NumTo() - b * kLanes);
        for (std::int32_t lane = 0; lane < targets; ++lane) {
            AddToBatch(sums[lane],
                       values + static_cast<std::size_t>(b * kLanes + lane) * kBatchRows);
        }
    }
}

// Four targets side by side for as many arcs as all four have, then two, then one, so that the
// additions of one target's chain overlap with the others' (an addition takes several cycles,
// the loads of an arc about one).
ZORF_BATCH_CLONES void AddArcsBatch(const TSparseWeights& sparse, const double* source,
                                    double* values) {
    constexpr std::int32_t kSideBySide = 4;
    const std::int32_t* firstArc = sparse.FirstArc();
    const std::int32_t* sources = sparse.Sources();
    const double* weights = sparse.Weights();
    // The sums come by reference, for the reason AddBlockSum gives.
    const auto addArc = [&](TLanes& sum, std::int32_t k) {
        TLanes x;
        LoadBatch(x, source + static_cast<std::size_t>(sources[k]) * kBatchRows);
        sum += weights[k] * x;
    };
    const auto addPair = [&](TLanes& sum0, std::int32_t k0, std::int32_t end0, TLanes& sum1,
                             std::int32_t k1, std::int32_t end1) {
        for (; k0 < end0 && k1 < end1; ++k0, ++k1) {
            addArc(sum0, k0);
            addArc(sum1, k1);
        }
        for (; k0 < end0; ++k0) {
            addArc(sum0, k0);
        }
        for (; k1 < end1; ++k1) {
            addArc(sum1, k1);
        }
    };
    std::int32_t t = 0;
    for (; t + kSideBySide <= sparse.NumTo(); t += kSideBySide) {
        TLanes sums[kSideBySide] = {};
        std::int32_t common = firstArc[t + 1] - firstArc[t];
        for (std::int32_t i = 1; i < kSideBySide; ++i) {
            common = std::min(common, firstArc[t + i + 1] - firstArc[t + i]);
        }
        for (std::int32_t j = 0; j < common; ++j) {
            for (std::int32_t i = 0; i < kSideBySide; ++i) {
                addArc(sums[i], firstArc[t + i] + j);
            }
        }
        for (std::int32_t i = 0; i < kSideBySide; i += 2) {
            addPair(sums[i], firstArc[t + i] + common, firstArc[t + i + 1], sums[i + 1],
                    firstArc[t + i + 1] + common, firstArc[t + i + 2]);
        }
        for (std::int32_t i = 0; i < kSideBySide; ++i) {
            AddToBatch(sums[i], values + static_cast<std::size_t>(t + i) * kBatchRows);
        }
    }
    for (; t < sparse.NumTo(); ++t) {
        TLanes sum = {};
        TLanes none = {};
        addPair(sum, firstArc[t], firstArc[t + 1], none, 0, 0);
        AddToBatch(sum, values + static_cast<std::size_t>(t) * kBatchRows);
    }
}

// x * 0.0 is +-0.0 for a finite x and NaN for an infinite or undefined one, and a sum is NaN
// exactly where one of its terms is: a check with no branch per value, a lane per value.
ZORF_BATCH_CLONES bool FiniteSum(const double* values, std::int32_t count) {
    TLanes sum0 = {};
    TLanes sum1 = {};
    std::int32_t i = 0;
    for (; i + 2 * kLanes <= count; i += 2 * kLanes) {
        TLanes x0;
        TLanes x1;
        LoadBatch(x0, values + i);
        LoadBatch(x1, values + i + kLanes);
        sum0 += x0 * 0.0;
        sum1 += x1 * 0.0;
    }
    sum0 += sum1;
    double sum = 0.0;
    for (std::int32_t lane = 0; lane < kLanes; ++lane) {
        sum += sum0[lane];
    }
    for (; i < count; ++i) {
        sum += values[i] * 0.0;
    }
    return !std::isnan(sum);
}

}  // namespace

void AddBatchVectorized(const TPackedWeights& packed, const double* source, double* values) {
    AddBlocksBatch(packed, source, values);
}

void AddBatchSparse(const TSparseWeights& sparse, const double* source, double* values) {
    AddArcsBatch(sparse, source, values);
}

void AddPlain(const TArcGrid<double>& weights, const TArcGrid<std::uint8_t>* flags,
              const double* source, double* values) {
    const std::int32_t numFrom = weights.NumFrom();
    for (std::int32_t t = 0; t < weights.NumTo(); ++t) {
        values[t] += flags != nullptr ? MaskedRowSum(weights.Row(t), flags->Row(t), source, numFrom)
                                      : RowSum(weights.Row(t), source, numFrom);
    }
}

#if ZORF_X86_KERNELS

std::span<const TVectorizedVariant> VectorizedVariants() {
    return kVariants;
}

void AddVectorized(const TPackedWeights& packed, const double* source, double* values) {
    static const auto best = [] {
        for (const TVectorizedVariant& variant : kVariants) {
            if (variant.runsHere()) {
                return variant.add;
            }
        }
        return AddBlocksBaseline;
    }();
    best(packed, source, values);
}

#else

std::span<const TVectorizedVariant> VectorizedVariants() {
    return {};
}

#endif

void AddSparse(const TSparseWeights& sparse, const double* source, double* values) {
    const std::int32_t* firstArc = sparse.FirstArc();
    const std::int32_t* sources = sparse.Sources();
    const double* weights = sparse.Weights();
    for (std::int32_t t = 0; t < sparse.NumTo(); ++t) {
        double sum = 0.0;
        for (std::int32_t k = firstArc[t]; k < firstArc[t + 1]; ++k) {
            sum += weights[k] * source[sources[k]];
        }
        values[t] += sum;
    }
}

bool AllFinite(const double* values, std::int32_t count) {
    return FiniteSum(values, count);
}

void AddWeightedSums(const TArcGrid<double>& weights, const TArcGrid<std::uint8_t>* flags,
                     TWeightCopies copies, const double* source, double* values) {
    const TPackedWeights* packed = copies.packed;
#if ZORF_X86_KERNELS
    if (packed != nullptr && (!packed->HasAbsentArcs() || AllFinite(source, weights.NumFrom()))) {
        AddVectorized(*packed, source, values);
        return;
    }
#else
    (void)packed;
#endif
    if (copies.sparse != nullptr) {
        AddSparse(*copies.sparse, source, values);
        return;
    }
    AddPlain(weights, flags, source, values);
}

}  // namespace PropagationKernels
