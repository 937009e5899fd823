// The optimizers by name: the settings' "Algorithm", TrainZorf's --help, the Python module's
// documentation and the trainer all read this one table.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string_view>

class TOptimizer;
struct TOptimizerSetup;

template <class TStrategy>
std::unique_ptr<TOptimizer> MakeOptimizer(const TOptimizerSetup& setup);

struct TOptimizerKind {
    // The keyword, matched in any letter case.
    const char* name;
    // None for a strategy that takes no learning rate.
    std::optional<double> defaultLearningRate;
    // It steps once per pass over all rows, whatever BatchSize says.
    bool wholeBatch;
    // Said after the name in --help; empty for none.
    const char* gloss;
    std::unique_ptr<TOptimizer> (*make)(const TOptimizerSetup&);
};

std::span<const TOptimizerKind> Optimizers();
// None for a name that is not in the table.
const TOptimizerKind* FindOptimizer(std::string_view name);
