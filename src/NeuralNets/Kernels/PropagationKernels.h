// The three kernels that add a matrix's weighted sums into its target layer's net inputs, side
// by side: the plain one walks each target's row of weights, the vectorized one sums the
// targets of a block of packed weights in parallel lanes, and the sparse one visits only the
// existing arcs of a heavily pruned matrix. Each target's sum runs over its sources in order in
// all three, starting from 0.0, so all give the same bits; AddWeightedSums is the one place
// that chooses between them.
#pragma once

#include <cstdint>
#include <span>

#include "NeuralNets/Kernels/KernelTargets.h"
#include "NeuralNets/Kernels/TPackedWeights.h"
#include "NeuralNets/Kernels/TSparseWeights.h"
#include "NeuralNets/TArcGrid.h"

namespace PropagationKernels {

// For each target t: values[t] += the sum, over the sources s in order, of weight(s, t) x
// source[s]. An absent arc (flags without the exists bit) adds +0.0, which leaves the sum's
// bits as skipping it would: a sum that starts at +0.0 never becomes -0.0. No flags: every
// arc exists.
void AddPlain(const TArcGrid<double>& weights, const TArcGrid<std::uint8_t>* flags,
              const double* source, double* values);

// The same from the packed copy. An absent arc's 0.0 weight adds +-0.0 only where the source
// value is finite, so with absent arcs the sources must all be finite. One variant per
// instruction set, all of the same code, so that each can be compared with the plain kernel
// on a machine that runs it; AddVectorized runs the best variant this processor runs.
struct TVectorizedVariant {
    const char* name;
    void (*add)(const TPackedWeights& packed, const double* source, double* values);
    bool (*runsHere)();
};

// Best first; empty in a build without vectorized kernels.
std::span<const TVectorizedVariant> VectorizedVariants();

#if ZORF_X86_KERNELS
void AddVectorized(const TPackedWeights& packed, const double* source, double* values);
#endif

// The same over the existing arcs only. Skipping an absent arc's +0.0 leaves the sum's bits as
// adding it would (see AddPlain), whatever the source values.
void AddSparse(const TSparseWeights& sparse, const double* source, double* values);

bool AllFinite(const double* values, std::int32_t count);

// Batches of kBatchRows rows at once, so that each weight loaded serves every row of the batch.
// A batch's values lie neuron by neuron, the rows of one neuron side by side:
// source[s * kBatchRows + r] is source s of row r. For each row r, values[t * kBatchRows + r]
// += the sum that AddPlain adds for row r alone, with the same bits: each row's sum runs over
// the sources in order in a lane of its own. The packed copy takes the same condition on the
// sources as AddVectorized (finite sources where arcs are absent).
constexpr std::int32_t kBatchRows = 8;
void AddBatchVectorized(const TPackedWeights& packed, const double* source, double* values);
void AddBatchSparse(const TSparseWeights& sparse, const double* source, double* values);

// The copies a matrix holds for propagation; null where it holds none of the kind.
struct TWeightCopies {
    const TPackedWeights* packed = nullptr;
    const TSparseWeights* sparse = nullptr;
};

// The vectorized kernel where a packed copy is given and the sources allow it (any sources when
// every arc exists); else the sparse kernel where a sparse copy is given; else the plain. A
// matrix holds both copies where a single row is summed faster over the packed grid and a batch
// over the existing arcs.
void AddWeightedSums(const TArcGrid<double>& weights, const TArcGrid<std::uint8_t>* flags,
                     TWeightCopies copies, const double* source, double* values);

}  // namespace PropagationKernels
