#include "Zorf/TRecallEngine.h"

#include <algorithm>
#include <thread>

#include "DataObject/Data.h"
#include "NeuralNets/TSimpleInputLayer.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TNonFiniteInput.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

// More copies than this would only multiply the network's memory: no machine this runs on
// gains from them.
constexpr int kMaxThreads = 64;
// The arcs a share of rows must at least cost before another thread is woken for it: waking a
// thread can take a millisecond on a busy machine.
constexpr std::int64_t kArcsPerShare = std::int64_t{1} << 20;

int ThreadsFor(const TZorf& network, int threads) {
    if (WarnsOnEveryRow(network)) {
        return 1;
    }
    if (threads <= 0) {
        threads = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    }
    return std::min(threads, kMaxThreads);
}

std::int32_t LayerSize(const TZorf& network, std::int32_t k) {
    const TBasicLayer* layer = network.GetLayer(k);
    return layer != nullptr ? layer->GetNumNeurons() : 0;
}

// What a row costs, in arcs that propagation visits.
std::int64_t ArcsPerRow(const TZorf& network) {
    std::int64_t arcs = 1;
    for (std::int32_t to = 0; to < network.GetNumLayers(); ++to) {
        for (std::int32_t from = 0; from < to; ++from) {
            if (network.GetConnections(from, to).IsConnected()) {
                arcs += std::int64_t{LayerSize(network, from)} * LayerSize(network, to);
            }
        }
        arcs += LayerSize(network, to);
    }
    return arcs;
}

}  // namespace

bool WarnsOnEveryRow(const TBasicNetwork& network) {
    for (std::int32_t k = 0; k < network.GetNumLayers(); ++k) {
        const TBasicLayer* layer = network.GetLayer(k);
        const bool atInput = k == network.GetInLayer();
        if (dynamic_cast<const TSimpleInputLayer*>(layer) != nullptr) {
            if (!atInput) {
                return true;
            }
            continue;
        }
        // The fuzzy layers compute their values themselves and warn nowhere.
        const bool fuzzy = dynamic_cast<const TConditionLayer*>(layer) != nullptr ||
                           dynamic_cast<const TZorfOutputLayer*>(layer) != nullptr;
        if (!fuzzy && atInput) {
            return true;
        }
    }
    return false;
}

TRecallEngine::TRecallEngine(const TZorf& network, int threads)
    : numInputs(LayerSize(network, network.GetInLayer())),
      numOutputs(LayerSize(network, network.GetOutLayer())),
      minRowsPerShare(
          static_cast<std::size_t>(std::max<std::int64_t>(1, kArcsPerShare / ArcsPerRow(network)))),
      pool(static_cast<std::size_t>(ThreadsFor(network, threads) - 1)) {
    for (std::size_t k = 0; k < pool.Size(); ++k) {
        copies.push_back(std::make_unique<TZorf>(network));
        packings.push_back(std::make_unique<TPackedPropagation>(*copies.back()));
        batches.push_back(std::make_unique<TZorfBatch>(*copies.back()));
    }
    shares.resize(copies.size());
}

void TRecallEngine::Recall(const double* inputs, std::size_t rows, double* outputs,
                           TShareTask& task) {
    jobTask = &task;
    try {
        Recall(inputs, rows, outputs);
    } catch (...) {
        jobTask = nullptr;
        throw;
    }
    jobTask = nullptr;
}

void TRecallEngine::Recall(const double* inputs, std::size_t rows, double* outputs) {
    const std::size_t count =
        std::min(pool.Size(), std::max<std::size_t>(1, rows / minRowsPerShare));
    for (std::size_t k = 0; k < shares.size(); ++k) {
        const std::size_t first = rows * std::min(k, count) / count;
        const std::size_t end = rows * std::min(k + 1, count) / count;
        shares[k] = TShare{first, end - first, nullptr};
    }
    jobInputs = inputs;
    jobOutputs = outputs;
    pool.Run(count, [this](std::size_t copy) { Propagate(copy); });
    for (const TShare& share : shares) {
        if (share.refusal) {
            std::rethrow_exception(share.refusal);
        }
    }
}

void TRecallEngine::Propagate(std::size_t copy) {
    TShare& share = shares[copy];
    TZorf& network = *copies[copy];
    TZorfBatch& batch = *batches[copy];
    const auto inputCount = static_cast<std::size_t>(numInputs);
    const auto outputCount = static_cast<std::size_t>(numOutputs);
    const auto batchRows = static_cast<std::size_t>(TZorfBatch::kRows);
    // Rows before one with an input that is not finite are propagated, so that a refusal of
    // theirs still comes first.
    const std::optional<std::size_t> bad =
        FirstNonFinite(jobInputs + share.first * inputCount, share.count * inputCount);
    const std::size_t end = bad ? share.first + *bad / inputCount : share.first + share.count;
    try {
        for (std::size_t r = share.first; r < end;) {
            if (batch.Fits() && end - r >= batchRows &&
                batch.Propagate(jobInputs + r * inputCount, jobOutputs + r * outputCount)) {
                r += batchRows;
                continue;
            }
            for (const std::size_t stop = std::min(end, r + batchRows); r < stop; ++r) {
                network.Propagate(jobInputs + r * inputCount, jobOutputs + r * outputCount);
            }
        }
        if (bad) {
            throw TNonFiniteInput(static_cast<std::int64_t>(end),
                                  static_cast<std::int64_t>(*bad % inputCount));
        }
        if (jobTask != nullptr && share.count > 0) {
            jobTask->Run(copy, share.first, share.count);
        }
    } catch (...) {
        share.refusal = std::current_exception();
    }
}
