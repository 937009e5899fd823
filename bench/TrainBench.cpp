// Training speed on the "compute" architecture (8 inputs x 7 functions, 400 rules with half of
// the arcs pruned, 4 outputs x 7 functions) with 10,000 rows: one plain Propagate pass over the
// rows, one gradient pass (Propagate and the backward pass of every row), and one RPROP epoch
// of Train. The ratio of the first two is what backpropagation costs in forward passes. Then
// seconds per RPROP epoch on 100,000 rows against the threads that sum the gradient (1, 2 and
// 0, every core): the network trained is the same bits for each.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "DataObject/Data.h"
#include "NeuralNets/PseudoRandom.h"
#include "NeuralNets/TPackedPropagation.h"
#include "Train/TZorfGradient.h"
#include "Train/Trainer.h"
#include "Zorf/MakeZorf.h"

namespace {

constexpr std::int32_t kRows = 10000;
constexpr std::int32_t kInputs = 8;
constexpr std::int32_t kOutputs = 4;

std::unique_ptr<TZorf> MakeComputeNetwork() {
    TZorfRecipe recipe;
    recipe.mfPerInput.assign(kInputs, 7);
    recipe.numRules = 400;
    recipe.mfPerOutput.assign(kOutputs, 7);
    recipe.pruneShare = 0.5;
    return MakeZorf(recipe);
}

std::unique_ptr<Data> MakeRows(std::int32_t count = kRows) {
    auto rows = std::make_unique<Data>(count, kInputs, kOutputs, false);
    PseudoRandom::Seed(7);
    std::vector<double> in(kInputs);
    std::vector<double> out(kOutputs);
    for (std::int32_t r = 0; r < count; ++r) {
        for (double& x : in) {
            x = PseudoRandom::Weight(0.0, 1.0);
        }
        for (double& y : out) {
            y = PseudoRandom::Weight(0.0, 1.0);
        }
        rows->AppendRow(in, out, nullptr);
    }
    return rows;
}

std::vector<double> FlatInputs(Data& rows) {
    std::vector<double> flat(static_cast<std::size_t>(kRows) * kInputs);
    std::vector<double> out(kOutputs);
    rows.Rewind();
    for (std::int32_t r = 0; r < kRows; ++r) {
        rows.GetNext(
            std::span<double>(flat.data() + static_cast<std::size_t>(r) * kInputs, kInputs), out);
    }
    return flat;
}

void BM_PropagatePass(benchmark::State& state) {
    const std::unique_ptr<TZorf> network = MakeComputeNetwork();
    const std::unique_ptr<Data> rows = MakeRows();
    const std::vector<double> inputs = FlatInputs(*rows);
    std::vector<double> outputs(kOutputs);
    for (auto _ : state) {
        const TPackedPropagation packed(*network);
        for (std::int32_t r = 0; r < kRows; ++r) {
            network->Propagate(inputs.data() + static_cast<std::size_t>(r) * kInputs,
                               outputs.data());
        }
        benchmark::DoNotOptimize(outputs.data());
    }
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kRows * state.iterations()),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PropagatePass)->Unit(benchmark::kMillisecond);

void BM_GradientPass(benchmark::State& state) {
    const std::unique_ptr<TZorf> network = MakeComputeNetwork();
    const std::unique_ptr<Data> rows = MakeRows();
    const std::vector<double> inputs = FlatInputs(*rows);
    std::vector<double> outputs(kOutputs);
    TZorfGradient gradient(*network, {true, true, true, true});
    std::vector<double> sum(static_cast<std::size_t>(gradient.NumParameters()));
    const std::vector<double> outputGradient(kOutputs, 0.01);
    for (auto _ : state) {
        {
            const TPackedPropagation packed(*network);
            for (std::int32_t r = 0; r < kRows; ++r) {
                network->Propagate(inputs.data() + static_cast<std::size_t>(r) * kInputs,
                                   outputs.data());
                gradient.AddRowGradient(outputGradient);
            }
        }
        gradient.CollectGradient(sum);
        benchmark::DoNotOptimize(sum.data());
    }
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kRows * state.iterations()),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GradientPass)->Unit(benchmark::kMillisecond);

// RPROP epochs on `rows` rows and `threads` threads; the counter gives seconds per epoch.
void RpropEpochs(benchmark::State& state, std::int32_t count, std::int32_t epochs,
                 std::int32_t threads) {
    const std::unique_ptr<Data> rows = MakeRows(count);
    TTrainSettings settings;
    settings.epochs = epochs;
    settings.threads = threads;
    for (auto _ : state) {
        state.PauseTiming();
        const std::unique_ptr<TZorf> network = MakeComputeNetwork();
        state.ResumeTiming();
        const TTrainResult result = Train(*network, *rows, nullptr, settings);
        benchmark::DoNotOptimize(result.history.data());
    }
    state.counters["s/epoch"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * settings.epochs,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_RpropEpoch(benchmark::State& state) {
    RpropEpochs(state, kRows, 10, 1);
}
BENCHMARK(BM_RpropEpoch)->Unit(benchmark::kMillisecond);

// On 100,000 rows, by the threads that sum the gradient (0: every core); in wall-clock time,
// since the threads' time is what they save.
void BM_RpropEpochByThreads(benchmark::State& state) {
    RpropEpochs(state, 100000, 3, static_cast<std::int32_t>(state.range(0)));
}
BENCHMARK(BM_RpropEpochByThreads)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Arg(0)
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
