#include "Train/EpochEvaluator.h"

#include <algorithm>
#include <string>
#include <thread>

#include "NeuralNets/TErrorObj.h"
#include "NeuralNets/TPackedPropagation.h"
#include "Train/Trainer.h"
#include "Zorf/TZorf.h"

namespace {

// Cross-entropy's derivative by an output is infinite at 0 and 1; the gradient (not the
// reported error) takes the output this far inside.
constexpr double kCrossEntropyMargin = 1e-12;

// More copies than this would only multiply the network's memory: no machine this runs on
// gains from them.
constexpr std::int64_t kMaxThreads = 64;

std::size_t ThreadsFor(const TTrainSettings& settings, std::int32_t rows) {
    std::int64_t threads = settings.threads;
    if (threads <= 0) {
        threads = std::max(1U, std::thread::hardware_concurrency());
    }
    return static_cast<std::size_t>(
        std::min({threads, kMaxThreads, std::int64_t{std::max(1, TrainBlocks(rows))}}));
}

}  // namespace

TBlockSummer::TBlockSummer(TZorf& network, const TTrainSettings& settings, std::int32_t numOutputs)
    : net(network),
      gradient(network, settings.trainLayers),
      measure(settings.errorMeasure, numOutputs),
      generated(static_cast<std::size_t>(numOutputs)),
      outputGradient(generated.size()) {}

bool ClassifiedRight(std::span<const double> generated, const double* expected) {
    const auto chosen = std::max_element(generated.begin(), generated.end()) - generated.begin();
    return expected[chosen] == 1.0;
}

void TBlockSummer::Sum(const TTrainRows& rows, std::span<const std::int32_t> block,
                       double rowWeight, bool withGradient, bool classify) {
    TErrorObj& error = measure.Get();
    for (const std::int32_t r : block) {
        const double* expected = rows.Outputs(r);
        net.Propagate(rows.Inputs(r), generated.data());
        error.AddPattern(expected, generated.data());
        classifiedRight += classify && ClassifiedRight(generated, expected) ? 1 : 0;
        if (withGradient) {
            OutputGradient(expected, rowWeight);
            gradient.AddRowGradient(outputGradient);
        }
    }
}

void TBlockSummer::AddTo(TErrorObj& error, std::span<double> sums, std::int32_t& right) {
    TErrorObj& own = measure.Get();
    error.AddErrorSum(own.GetErrorSum(), own.GetNumPatterns());
    own.Reset();
    right += classifiedRight;
    classifiedRight = 0;
    gradient.CollectGradient(sums);
}

double TBlockSummer::Take(std::int32_t& rows, std::span<double> sums, std::int32_t& right) {
    TErrorObj& own = measure.Get();
    const double sum = own.GetErrorSum();
    rows = own.GetNumPatterns();
    own.Reset();
    right = classifiedRight;
    classifiedRight = 0;
    gradient.TakeGradient(sums);
    return sum;
}

void TBlockSummer::OutputGradient(const double* expected, double rowWeight) {
    for (std::size_t k = 0; k < generated.size(); ++k) {
        const double y = generated[k];
        if (measure.IsCrossEntropy()) {
            const double o = std::clamp(y, kCrossEntropyMargin, 1.0 - kCrossEntropyMargin);
            outputGradient[k] = rowWeight * (o - expected[k]) / (o * (1.0 - o));
        } else {
            outputGradient[k] = rowWeight * 2.0 * (y - expected[k]);
        }
    }
}

TBlockSums SumTrainBlocks(const TZorf& network, const TTrainSettings& settings,
                          const TTrainRows& rows, std::span<const double> parameters,
                          double rowWeight, bool withGradient, bool classify) {
    TZorf copy(network);
    TBlockSummer summer(copy, settings, rows.numOutputs);
    const auto count = static_cast<std::size_t>(summer.NumParameters());
    if (parameters.size() != count) {
        throw TTrainRefusal("The network has " + std::to_string(count) +
                            " trainable parameters, not " + std::to_string(parameters.size()));
    }
    summer.SetParameters(parameters);
    const auto blocks = static_cast<std::size_t>(TrainBlocks(rows.count));
    TBlockSums sums;
    sums.errorSums.resize(blocks);
    sums.rows.resize(blocks);
    sums.right.resize(blocks);
    sums.gradients.resize(withGradient ? blocks * count : 0);
    std::vector<std::int32_t> block;
    const TPackedPropagation packed(copy);
    for (std::size_t b = 0; b < blocks; ++b) {
        block.clear();
        for (auto r = static_cast<std::int32_t>(b) * kTrainBlockRows;
             r < rows.count && block.size() < static_cast<std::size_t>(kTrainBlockRows); ++r) {
            block.push_back(r);
        }
        summer.Sum(rows, block, rowWeight, withGradient, classify);
        sums.errorSums[b] =
            summer.Take(sums.rows[b],
                        withGradient ? std::span<double>(sums.gradients).subspan(b * count, count)
                                     : std::span<double>(),
                        sums.right[b]);
    }
    return sums;
}

void AddBlockSums(std::span<const double> errorSums, std::span<const std::int32_t> rows,
                  std::span<const std::int32_t> classified, std::span<const double> gradients,
                  TErrorObj& error, std::span<double> gradient, std::int32_t& right) {
    for (std::size_t b = 0; b < errorSums.size(); ++b) {
        error.AddErrorSum(errorSums[b], rows[b]);
        right += classified[b];
        for (std::size_t p = 0; p < gradient.size(); ++p) {
            gradient[p] += gradients[b * gradient.size() + p];
        }
    }
}

TLocalEpochEvaluator::TLocalEpochEvaluator(TZorf& network, const TTrainRows& rows,
                                           const TTrainSettings& settings)
    : training(rows), pool(ThreadsFor(settings, rows.count) - 1) {
    summers.push_back(std::make_unique<TBlockSummer>(network, settings, rows.numOutputs));
    for (std::size_t k = 1; k < pool.Size(); ++k) {
        copies.push_back(std::make_unique<TZorf>(network));
        summers.push_back(
            std::make_unique<TBlockSummer>(*copies.back(), settings, rows.numOutputs));
    }
    // A batch has no more blocks than all the rows.
    slotOfBlock.assign(static_cast<std::size_t>(TrainBlocks(rows.count)), -1);
    if (summers.size() > 1) {
        slots.resize(summers.size());
        for (TPending& pending : slots) {
            pending.gradient.resize(static_cast<std::size_t>(summers[0]->NumParameters()));
        }
        freeSlots.reserve(slots.size());
    }
}

void TLocalEpochEvaluator::AddSums(std::span<const double> parameters,
                                   std::span<const std::int32_t> rows, double rowWeight,
                                   bool withGradient, bool classify, TErrorObj& error,
                                   std::span<double> gradient, std::int32_t& right) {
    jobParameters = parameters;
    jobRows = rows;
    jobWeight = rowWeight;
    jobGradient = withGradient;
    jobClassify = classify;
    jobRight = &right;
    jobError = &error;
    jobSums = withGradient ? gradient : std::span<double>();
    jobBlocks = TrainBlocks(static_cast<std::int32_t>(rows.size()));
    nextBlock = 0;
    addedBlocks = 0;
    refusal = nullptr;
    std::fill(slotOfBlock.begin(), slotOfBlock.end(), -1);
    freeSlots.clear();
    for (std::size_t slot = 0; slot < slots.size(); ++slot) {
        freeSlots.push_back(slot);
    }
    pool.Run(std::min(pool.Size(), static_cast<std::size_t>(std::max(1, jobBlocks))),
             [this](std::size_t thread) {
                 try {
                     SumBlocks(thread);
                 } catch (...) {
                     Refuse(-1);
                 }
             });
    if (refusal) {
        std::rethrow_exception(refusal);
    }
}

void TLocalEpochEvaluator::SumBlocks(std::size_t thread) {
    TBlockSummer& summer = *summers[thread];
    summer.SetParameters(jobParameters);
    const TPackedPropagation packed(summer.Network());
    const auto all = static_cast<std::int32_t>(jobRows.size());
    for (;;) {
        std::int32_t block = 0;
        {
            const std::lock_guard<std::mutex> guard(lock);
            if (refusal || nextBlock == jobBlocks) {
                return;
            }
            block = nextBlock++;
        }
        const std::int32_t first = block * kTrainBlockRows;
        try {
            summer.Sum(
                training,
                jobRows.subspan(static_cast<std::size_t>(first),
                                static_cast<std::size_t>(std::min(kTrainBlockRows, all - first))),
                jobWeight, jobGradient, jobClassify);
        } catch (...) {
            std::int32_t discarded = 0;
            summer.Take(discarded, {}, discarded);
            Refuse(block);
            return;
        }
        // The next block to add is added at once; a later one waits in a slot for the blocks
        // before it, so that a thread held up by the system does not hold up the others.
        std::unique_lock<std::mutex> guard(lock);
        blockAdded.wait(guard,
                        [&] { return addedBlocks == block || !freeSlots.empty() || refusal; });
        if (refusal) {
            guard.unlock();
            std::int32_t discarded = 0;
            summer.Take(discarded, {}, discarded);
            return;
        }
        if (addedBlocks == block) {
            summer.AddTo(*jobError, jobSums, *jobRight);
            ++addedBlocks;
        } else {
            const std::size_t slot = freeSlots.back();
            freeSlots.pop_back();
            guard.unlock();
            TPending& pending = slots[slot];
            pending.errorSum = summer.Take(
                pending.rows,
                jobSums.empty() ? std::span<double>() : std::span<double>(pending.gradient),
                pending.right);
            guard.lock();
            slotOfBlock[static_cast<std::size_t>(block)] = static_cast<std::int32_t>(slot);
        }
        AddPending();
        guard.unlock();
        blockAdded.notify_all();
    }
}

void TLocalEpochEvaluator::AddPending() {
    while (addedBlocks < jobBlocks && slotOfBlock[static_cast<std::size_t>(addedBlocks)] >= 0) {
        const auto slot =
            static_cast<std::size_t>(slotOfBlock[static_cast<std::size_t>(addedBlocks)]);
        slotOfBlock[static_cast<std::size_t>(addedBlocks)] = -1;
        const TPending& pending = slots[slot];
        AddBlockSums(std::span<const double>(&pending.errorSum, 1),
                     std::span<const std::int32_t>(&pending.rows, 1),
                     std::span<const std::int32_t>(&pending.right, 1), pending.gradient, *jobError,
                     jobSums, *jobRight);
        freeSlots.push_back(slot);
        ++addedBlocks;
    }
}

void TLocalEpochEvaluator::Refuse(std::int32_t block) {
    {
        // Blocks are taken in order, so every block before this one is being summed: the
        // refusal of the first block refused is the one a single thread raises.
        const std::lock_guard<std::mutex> guard(lock);
        if (!refusal || block < refusedBlock) {
            refusal = std::current_exception();
            refusedBlock = block;
        }
    }
    blockAdded.notify_all();
}
