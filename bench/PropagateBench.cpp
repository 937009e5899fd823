// Propagate on a network with 1000 x 1000 pruneable matrices between its hidden layers, with
// and without the packed weights recall uses, against a plain double loop over the same weight
// arrays. All report seconds per multiply-add.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "NeuralNets/ActFunctions.h"
#include "NeuralNets/Kernels/SigmoidKernel.h"
#include "NeuralNets/PseudoRandom.h"
#include "NeuralNets/TBasicNetwork.h"
#include "NeuralNets/TPackedPropagation.h"
#include "NeuralNets/TSimpleInputLayer.h"
#include "NeuralNets/TSimpleLayer.h"

namespace {

// Layer 0 is empty, layer 1 the inputs, 2 and 3 hidden (sigmoid), 4 the outputs (linear).
constexpr std::int32_t kSizes[] = {0, 1000, 1000, 1000, 10};
constexpr std::int32_t kNumLayers = 5;

std::unique_ptr<TBasicNetwork> MakeBenchNetwork() {
    auto network = std::make_unique<TBasicNetwork>(kNumLayers);
    network->SetLayer(0, new TSimpleLayer(network.get(), 0, kSizes[0]));
    network->SetLayer(1, new TSimpleInputLayer(network.get(), 1, kSizes[1]));
    for (std::int32_t k = 2; k < kNumLayers; ++k) {
        auto* layer = new TSimpleLayer(network.get(), k, kSizes[k]);
        layer->SetActivationFunction(k + 1 < kNumLayers ? ActFunctions::Sigmoid
                                                        : ActFunctions::Linear);
        network->SetLayer(k, layer);
    }
    for (std::int32_t k = 1; k + 1 < kNumLayers; ++k) {
        network->ConnectLayers(k, k + 1);
    }
    PseudoRandom::Seed(42);
    network->RandomizeWeights(-0.05, 0.05);
    return network;
}

std::vector<double> MakeInput() {
    std::vector<double> input(kSizes[1]);
    for (double& x : input) {
        x = PseudoRandom::Weight(-1.0, 1.0);
    }
    return input;
}

std::int64_t MultiplyAdds() {
    std::int64_t count = 0;
    for (std::int32_t k = 1; k + 1 < kNumLayers; ++k) {
        count += static_cast<std::int64_t>(kSizes[k]) * kSizes[k + 1];
    }
    return count;
}

// The same arithmetic as Propagate, written as plain loops over the matrices' weight rows.
void PlainLoop(TBasicNetwork& network, const std::vector<double>& input,
               std::vector<std::vector<double>>& values) {
    values[1] = input;
    for (std::int32_t k = 2; k < kNumLayers; ++k) {
        const std::int32_t numFrom = kSizes[k - 1];
        const double* weights = &network.GetConnections(k - 1, k).GetWeight(0, 0);
        const double* source = values[k - 1].data();
        std::vector<double>& target = values[k];
        for (std::int32_t t = 0; t < kSizes[k]; ++t) {
            const double* row = weights + static_cast<std::ptrdiff_t>(t) * numFrom;
            double sum = 0.0;
            for (std::int32_t s = 0; s < numFrom; ++s) {
                sum += row[s] * source[s];
            }
            target[t] = k + 1 < kNumLayers ? SigmoidKernel::Plain(0.0 + sum) : 0.0 + sum;
        }
    }
}

void ReportPerMultiplyAdd(benchmark::State& state) {
    state.counters["s_per_madd"] = benchmark::Counter(
        static_cast<double>(MultiplyAdds()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Propagate with the packed weights recall uses, or with the plain kernel.
void RunPropagate(benchmark::State& state, bool packed) {
    auto network = MakeBenchNetwork();
    const std::vector<double> input = MakeInput();
    std::vector<double> output(kSizes[kNumLayers - 1]);
    std::optional<TPackedPropagation> packing;
    if (packed) {
        packing.emplace(*network);
    }
    for (auto _ : state) {
        network->Propagate(input.data(), output.data());
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    ReportPerMultiplyAdd(state);
}

void BM_Propagate(benchmark::State& state) {
    RunPropagate(state, false);
}
BENCHMARK(BM_Propagate)->Unit(benchmark::kMillisecond);

void BM_PropagatePacked(benchmark::State& state) {
    RunPropagate(state, true);
}
BENCHMARK(BM_PropagatePacked)->Unit(benchmark::kMillisecond);

void BM_PlainLoop(benchmark::State& state) {
    auto network = MakeBenchNetwork();
    const std::vector<double> input = MakeInput();
    std::vector<std::vector<double>> values;
    for (std::int32_t size : kSizes) {
        values.emplace_back(size);
    }
    std::vector<double> output(kSizes[kNumLayers - 1]);
    network->Propagate(input.data(), output.data());
    PlainLoop(*network, input, values);
    if (values[kNumLayers - 1] != output) {
        state.SkipWithError("the plain loop and Propagate disagree");
        return;
    }
    for (auto _ : state) {
        PlainLoop(*network, input, values);
        benchmark::DoNotOptimize(values.back().data());
        benchmark::ClobberMemory();
    }
    ReportPerMultiplyAdd(state);
}
BENCHMARK(BM_PlainLoop)->Unit(benchmark::kMillisecond);

}  // namespace
