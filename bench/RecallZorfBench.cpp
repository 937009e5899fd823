// Recall through a mid-sized fuzzy network: one row through Propagate, and RecallOutputOnly
// of a whole data set into a new one. Both report rows per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "DataObject/Data.h"
#include "NeuralNets/PseudoRandom.h"
#include "Zorf/TZorf.h"

namespace {

constexpr std::int32_t kInputs = 8;
constexpr std::int32_t kRules = 200;
constexpr std::int32_t kOutputs = 2;
constexpr std::int32_t kRows = 10000;

std::unique_ptr<TZorf> MakeBenchZorf() {
    const std::vector<std::int32_t> mfPerInput(kInputs, 5);
    const std::vector<std::int32_t> mfPerOutput(kOutputs, 7);
    auto zorf =
        std::make_unique<TZorf>(kInputs, mfPerInput.data(), kRules, mfPerOutput.data(), kOutputs);
    PseudoRandom::Seed(42);
    zorf->InitializeWeights(-1.0, 1.0);
    return zorf;
}

std::vector<double> MakeRow() {
    std::vector<double> row(kInputs);
    for (double& x : row) {
        x = PseudoRandom::Weight(-0.2, 1.2);
    }
    return row;
}

void BM_ZorfPropagate(benchmark::State& state) {
    const auto zorf = MakeBenchZorf();
    const std::vector<double> input = MakeRow();
    std::vector<double> output(kOutputs);
    for (auto _ : state) {
        zorf->Propagate(input.data(), output.data());
        benchmark::DoNotOptimize(output.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ZorfPropagate);

void BM_ZorfRecallOutputOnly(benchmark::State& state) {
    const auto zorf = MakeBenchZorf();
    Data rows(kRows, kInputs, 0, false);
    for (std::int32_t r = 0; r < kRows; ++r) {
        rows.AppendRow(MakeRow(), {}, nullptr);
    }
    for (auto _ : state) {
        const std::unique_ptr<Data> outputs = zorf->RecallOutputOnly(&rows);
        benchmark::DoNotOptimize(outputs.get());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ZorfRecallOutputOnly)->Unit(benchmark::kMillisecond);

}  // namespace
