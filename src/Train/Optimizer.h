// An optimizer is the step taken from a gradient summed elsewhere. The trainer sums the
// objective's gradient over a batch (row by row here; it could as well be summed on threads or
// on other machines) and hands the sum to Step: a strategy never sees a row, the summing never
// sees a strategy. Each strategy keeps its own state per parameter (steps, moments, velocity).
//
// A new optimizer is one file in Optimizers/ that defines its class (constructed from a
// TOptimizerSetup) and ends with the factory for it,
//
//   template std::unique_ptr<TOptimizer> MakeOptimizer<TMine>(const TOptimizerSetup&);
//
// and one line in the table of OptimizerTable.cpp, which names the class without seeing it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "Train/OptimizerTable.h"

struct TTrainSettings;

// What a strategy is made from.
struct TOptimizerSetup {
    const TTrainSettings& settings;
    // The settings' learning rate, or the optimizer's default.
    double learningRate;
    // The weight layer (TZorf::kConditionCentres ... kOutputCentres) of each parameter.
    std::span<const std::uint8_t> layerOf;
    // The unit of each parameter (TZorfGradient::UnitOf): a strategy's steps for a centre of an
    // input in its own units are that many times those for an input over [0, 1].
    std::span<const double> unitOf;
};

class TOptimizer {
  public:
    TOptimizer() = default;
    TOptimizer(const TOptimizer&) = delete;
    TOptimizer& operator=(const TOptimizer&) = delete;
    virtual ~TOptimizer() = default;

    // Moves `parameters` one step, given the objective's gradient summed at them and the
    // error the epoch reports for them.
    virtual void Step(std::span<double> parameters, std::span<const double> gradient,
                      double error) = 0;
};

// Declared with the table, which only names it; defined here for the strategies' files, which
// instantiate it.
template <class TStrategy>
std::unique_ptr<TOptimizer> MakeOptimizer(const TOptimizerSetup& setup) {
    return std::make_unique<TStrategy>(setup);
}
