// One row through the network of the "compute" case (8 inputs of 7 membership functions, 400
// rules with half of the condition->rule and rule->action arcs pruned, 4 outputs of 7), made
// by the library function behind MakeZorf, against a plain double loop over the same weights:
//
//   BM_ComputePropagate            Propagate as recall runs it (inside a TPackedPropagation)
//   BM_ComputePropagateUnpacked    Propagate without the packed weights (the plain kernel)
//   BM_ComputePlainLoop            for each target, for each source in order, weight x value
//                                  over every stored weight (a pruned arc's weight is 0.0),
//                                  the sigmoid over the whole layer as Propagate applies it
//   BM_ComputePlainLoopPlainSigmoid  the same with the sigmoid computed neuron by neuron with
//                                  long double intermediates, as the function is defined
//
// Each reports rows per second; the plain loops first check that they give Propagate's bits.
//
//   BM_IoPropagate                 Propagate through the network of the "io" case (8 inputs of
//                                  2 functions, 8 rules, 1 output of 2) over 4096 different
//                                  rows, so that branches see data as a recall does
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "NeuralNets/Kernels/SigmoidKernel.h"
#include "NeuralNets/PseudoRandom.h"
#include "NeuralNets/TPackedPropagation.h"
#include "Zorf/MakeZorf.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TToOutputConnections.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

constexpr std::int32_t kInputs = 8;

std::unique_ptr<TZorf> MakeComputeNetwork() {
    TZorfRecipe recipe;
    recipe.mfPerInput.assign(kInputs, 7);
    recipe.numRules = 400;
    recipe.mfPerOutput.assign(4, 7);
    recipe.pruneShare = 0.5;
    recipe.seed = 1;
    return MakeZorf(recipe);
}

std::vector<double> MakeRow() {
    std::vector<double> row(kInputs);
    for (double& x : row) {
        x = PseudoRandom::Weight(-0.1, 1.1);
    }
    return row;
}

// The network's weights and layers, read once, for the plain loop.
struct TPlainNetwork {
    const TConditionLayer* conditions;
    std::int32_t numConditions;
    std::int32_t numRules;
    std::int32_t numActions;
    const double* ruleWeights;    // numRules rows of numConditions
    const double* actionWeights;  // numActions rows of numRules
    std::span<const double> centres;
    std::span<const std::int32_t> outputOf;
    std::int32_t numOutputs;

    explicit TPlainNetwork(TZorf& network)
        : conditions(network.GetConditionLayer()),
          numConditions(network.GetLayer(2)->GetNumNeurons()),
          numRules(network.GetLayer(3)->GetNumNeurons()),
          numActions(network.GetLayer(4)->GetNumNeurons()),
          ruleWeights(&network.GetConnections(2, 3).GetWeight(0, 0)),
          actionWeights(&network.GetConnections(3, 4).GetWeight(0, 0)),
          centres(dynamic_cast<TToOutputConnections&>(network.GetConnections(4, 5)).GetCentres()),
          outputOf(network.GetDefuzzifyLayer()->GetOutputOf()),
          numOutputs(network.GetLayer(5)->GetNumNeurons()) {}
};

struct TPlainValues {
    std::vector<double> conditions;
    std::vector<double> rules;
    std::vector<double> actions;
    std::vector<double> numerators;
    std::vector<double> denominators;
    std::vector<double> outputs;

    explicit TPlainValues(const TPlainNetwork& network)
        : conditions(static_cast<std::size_t>(network.numConditions)),
          rules(static_cast<std::size_t>(network.numRules)),
          actions(static_cast<std::size_t>(network.numActions)),
          numerators(static_cast<std::size_t>(network.numOutputs)),
          denominators(static_cast<std::size_t>(network.numOutputs)),
          outputs(static_cast<std::size_t>(network.numOutputs)) {}
};

void WeightedSums(const double* weights, const std::vector<double>& source,
                  std::vector<double>& target) {
    const std::size_t numFrom = source.size();
    for (std::size_t t = 0; t < target.size(); ++t) {
        const double* row = weights + t * numFrom;
        double sum = 0.0;
        for (std::size_t s = 0; s < numFrom; ++s) {
            sum += row[s] * source[s];
        }
        target[t] = 0.0 + sum;
    }
}

void Sigmoid(std::vector<double>& values, bool neuronByNeuron) {
    if (neuronByNeuron) {
        for (double& value : values) {
            value = SigmoidKernel::Plain(value);
        }
    } else {
        SigmoidKernel::Apply(values.data(), values.data(),
                             static_cast<std::int32_t>(values.size()));
    }
}

// The same arithmetic as Propagate through the Zorf layers, as plain loops.
void PlainLoop(const TPlainNetwork& network, const std::vector<double>& row, TPlainValues& values,
               bool neuronByNeuron) {
    const std::span<const std::int32_t> inputOf = network.conditions->GetInputOf();
    for (std::size_t j = 0; j < values.conditions.size(); ++j) {
        values.conditions[j] = network.conditions->Node(static_cast<std::int32_t>(j))
                                   .Membership(row[static_cast<std::size_t>(inputOf[j])]);
    }
    WeightedSums(network.ruleWeights, values.conditions, values.rules);
    Sigmoid(values.rules, neuronByNeuron);
    WeightedSums(network.actionWeights, values.rules, values.actions);
    Sigmoid(values.actions, neuronByNeuron);
    std::fill(values.numerators.begin(), values.numerators.end(), 0.0);
    std::fill(values.denominators.begin(), values.denominators.end(), 0.0);
    for (std::size_t i = 0; i < values.actions.size(); ++i) {
        const auto k = static_cast<std::size_t>(network.outputOf[i]);
        values.numerators[k] += values.actions[i] * network.centres[i];
        values.denominators[k] += values.actions[i];
    }
    for (std::size_t k = 0; k < values.outputs.size(); ++k) {
        const bool some = values.numerators[k] != 0.0 && values.denominators[k] != 0.0;
        values.outputs[k] = some ? values.numerators[k] / values.denominators[k] : 0.0;
    }
}

// Propagate with the packed weights recall uses, or with the plain kernel.
void RunPropagate(benchmark::State& state, bool packed) {
    const auto network = MakeComputeNetwork();
    const std::vector<double> row = MakeRow();
    std::vector<double> output(4);
    std::optional<TPackedPropagation> packing;
    if (packed) {
        packing.emplace(*network);
    }
    for (auto _ : state) {
        network->Propagate(row.data(), output.data());
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ComputePropagate(benchmark::State& state) {
    RunPropagate(state, true);
}
BENCHMARK(BM_ComputePropagate);

void BM_ComputePropagateUnpacked(benchmark::State& state) {
    RunPropagate(state, false);
}
BENCHMARK(BM_ComputePropagateUnpacked);

void RunPlainLoop(benchmark::State& state, bool neuronByNeuron) {
    const auto network = MakeComputeNetwork();
    const std::vector<double> row = MakeRow();
    std::vector<double> output(4);
    network->Propagate(row.data(), output.data());
    const TPlainNetwork plain(*network);
    TPlainValues values(plain);
    PlainLoop(plain, row, values, neuronByNeuron);
    if (values.outputs != output) {
        state.SkipWithError("the plain loop and Propagate disagree");
        return;
    }
    for (auto _ : state) {
        PlainLoop(plain, row, values, neuronByNeuron);
        benchmark::DoNotOptimize(values.outputs.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ComputePlainLoop(benchmark::State& state) {
    RunPlainLoop(state, false);
}
BENCHMARK(BM_ComputePlainLoop);

void BM_ComputePlainLoopPlainSigmoid(benchmark::State& state) {
    RunPlainLoop(state, true);
}
BENCHMARK(BM_ComputePlainLoopPlainSigmoid);

void BM_IoPropagate(benchmark::State& state) {
    TZorfRecipe recipe;
    recipe.mfPerInput.assign(kInputs, 2);
    recipe.numRules = 8;
    recipe.mfPerOutput.assign(1, 2);
    recipe.seed = 1;
    const auto network = MakeZorf(recipe);
    const TPackedPropagation packing(*network);
    constexpr std::size_t kRows = 4096;
    std::vector<std::vector<double>> rows;
    for (std::size_t i = 0; i < kRows; ++i) {
        rows.push_back(MakeRow());
    }
    double output = 0.0;
    std::size_t next = 0;
    for (auto _ : state) {
        network->Propagate(rows[next].data(), &output);
        next = (next + 1) % kRows;
        benchmark::DoNotOptimize(output);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IoPropagate);

}  // namespace
