// How an epoch's error and gradient are summed over the training rows. The rows are cut into
// blocks of kTrainBlockRows, whatever the number of threads or machines; each block is summed
// in row order from 0, and the blocks' sums are added in block order. The network trained is
// then the same bits on one thread, on many, or on the workers of a cluster.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "KQmessage/Export.h"
#include "Train/TZorfGradient.h"
#include "Train/TrainObjective.h"
#include "Zorf/TJobThreads.h"

class TErrorObj;
class TZorf;

// Rows per block. Part of the result: another size sums in another order.
inline constexpr std::int32_t kTrainBlockRows = 256;

// The blocks of `rows` rows.
inline std::int32_t TrainBlocks(std::int32_t rows) {
    return (rows + kTrainBlockRows - 1) / kTrainBlockRows;
}

// Whether the largest generated output (the first of equals) is the one the row expects.
bool ClassifiedRight(std::span<const double> generated, const double* expected);

// Sums blocks of rows through one network: a thread's own, or the caller's.
class ZORF_EXPORT TBlockSummer {
  public:
    // Refuses (TTrainRefusal) a network TZorfGradient cannot differentiate.
    TBlockSummer(TZorf& network, const TTrainSettings& settings, std::int32_t numOutputs);

    TZorf& Network() { return net; }
    std::int32_t NumParameters() const { return gradient.NumParameters(); }
    // Writes the parameters (TZorfGradient's order) into the network; no TPackedPropagation
    // may be alive.
    void SetParameters(std::span<const double> parameters) { gradient.SetParameters(parameters); }

    // Propagates the rows (positions among `rows`) in order and sums their error and, with
    // `withGradient`, the objective's gradient, each row's derivative by its outputs weighted by
    // `rowWeight`; with `classify`, counts the rows ClassifiedRight.
    void Sum(const TTrainRows& rows, std::span<const std::int32_t> block, double rowWeight,
             bool withGradient, bool classify);
    // Adds the sums since the last call into `error`, `right` and, unless it is empty,
    // `gradient`; then starts again at 0.
    void AddTo(TErrorObj& error, std::span<double> gradient, std::int32_t& right);
    // The same sums as the block's own: its error sum, its rows, the rows classified right, and
    // its gradient written into `gradient` (unless empty); then starts again at 0.
    double Take(std::int32_t& rows, std::span<double> gradient, std::int32_t& right);

  private:
    TZorf& net;
    TZorfGradient gradient;
    TTrainMeasure measure;
    std::vector<double> generated;
    std::vector<double> outputGradient;
    std::int32_t classifiedRight = 0;

    void OutputGradient(const double* expected, double rowWeight);
};

// Where an epoch's (or a batch's) sums come from: the threads of this process, or something
// else that sums the same blocks, such as the workers of a cluster.
class ZORF_EXPORT TEpochEvaluator {
  public:
    virtual ~TEpochEvaluator() = default;

    // Called before the first sums on a network's structure, with the network as it stands:
    // at the start of a run, and again when pruning has changed it.
    virtual void UseNetwork(const TZorf& /*network*/) {}

    // With the network's parameters at `parameters`: adds into `error` the error sums and, with
    // `withGradient`, into `gradient` the gradient sums (each row's weighted by `rowWeight`) of
    // the blocks of `rows` (positions among the training rows, cut into blocks in this order),
    // block after block; with `classify` into `right` the rows classified right.
    virtual void AddSums(std::span<const double> parameters, std::span<const std::int32_t> rows,
                         double rowWeight, bool withGradient, bool classify, TErrorObj& error,
                         std::span<double> gradient, std::int32_t& right) = 0;
};

// Each block's sums, as a block's own: error sums and rows by block, and (when wanted) the
// gradients, block after block, NumParameters() values each.
struct TBlockSums {
    std::vector<double> errorSums;
    std::vector<std::int32_t> rows;
    std::vector<std::int32_t> right;
    std::vector<double> gradients;
};

// The sums of each block of `rows`, with the parameters of a copy of `network` at `parameters`
// (TZorfGradient's order, for the settings' trained layers): what a worker holding some of the
// rows, a whole number of blocks, computes. Refuses (TTrainRefusal) parameters of another count.
ZORF_EXPORT TBlockSums SumTrainBlocks(const TZorf& network, const TTrainSettings& settings,
                                      const TTrainRows& rows, std::span<const double> parameters,
                                      double rowWeight, bool withGradient, bool classify);
// Adds blocks' sums, in their order, as the local threads add theirs: error sums and rows into
// `error`, the rows classified right into `right`, the gradients (unless `gradient` is empty)
// into `gradient`.
ZORF_EXPORT void AddBlockSums(std::span<const double> errorSums, std::span<const std::int32_t> rows,
                              std::span<const std::int32_t> classified,
                              std::span<const double> gradients, TErrorObj& error,
                              std::span<double> gradient, std::int32_t& right);

// The sums on the threads of this process, each with a copy of the network, as recall runs.
// A thread takes the next block, sums it, and adds it once the blocks before it are added.
class TLocalEpochEvaluator final : public TEpochEvaluator {
  public:
    // Every core when settings.threads is 0, never more threads than `rows` has blocks. The
    // first thread sums through `network` itself.
    TLocalEpochEvaluator(TZorf& network, const TTrainRows& rows, const TTrainSettings& settings);
    TLocalEpochEvaluator(const TLocalEpochEvaluator&) = delete;
    TLocalEpochEvaluator& operator=(const TLocalEpochEvaluator&) = delete;

    void AddSums(std::span<const double> parameters, std::span<const std::int32_t> rows,
                 double rowWeight, bool withGradient, bool classify, TErrorObj& error,
                 std::span<double> gradient, std::int32_t& right) override;

  private:
    const TTrainRows& training;
    std::vector<std::unique_ptr<TZorf>> copies;
    std::vector<std::unique_ptr<TBlockSummer>> summers;

    // The job of the current call.
    std::span<const double> jobParameters;
    std::span<const std::int32_t> jobRows;
    double jobWeight = 0.0;
    bool jobGradient = false;
    bool jobClassify = false;
    std::int32_t* jobRight = nullptr;
    TErrorObj* jobError = nullptr;
    std::span<double> jobSums;
    std::int32_t jobBlocks = 0;

    std::mutex lock;
    std::condition_variable blockAdded;
    std::int32_t nextBlock = 0;    // the next block a thread takes
    std::int32_t addedBlocks = 0;  // the blocks added so far, in order
    // Sums of blocks done before their turn, one slot per thread; the slot of each block
    // waiting in one (-1: none).
    struct TPending {
        double errorSum = 0.0;
        std::int32_t rows = 0;
        std::int32_t right = 0;
        std::vector<double> gradient;
    };
    std::vector<TPending> slots;
    std::vector<std::size_t> freeSlots;
    std::vector<std::int32_t> slotOfBlock;
    // The refusal of the first block refused; no block is taken after one.
    std::exception_ptr refusal;
    std::int32_t refusedBlock = 0;
    // Thread k sums with summers[k].
    TJobThreads pool;

    void SumBlocks(std::size_t thread);
    // Keeps the exception being handled if `block` comes before any refused so far (-1: before
    // every block).
    void Refuse(std::int32_t block);
    // Adds the blocks waiting in slots that are next in order.
    void AddPending();
};
