// A new fuzzy network from an architecture (a recipe), so that a user (and the examples,
// benchmarks, tests and the Python module) can start from nothing. The weights come from the
// program's pseudo-random sequence started at a seed, so a recipe always gives the same file.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "Zorf/TZorf.h"

struct ZORF_EXPORT TZorfRecipe {
    // Membership functions of each input and each output (at least 2 each).
    std::vector<std::int32_t> mfPerInput;
    std::int32_t numRules = 0;
    std::vector<std::int32_t> mfPerOutput;
    std::uint32_t seed = 1;
    // The weights of the rule and action arcs are drawn from [minimum, maximum).
    double minimum = -1.0;
    double maximum = 1.0;
    // The share of the condition->rule and of the rule->action arcs that is removed, 0 to 1.
    double pruneShare = 0.0;
};

// What a network may hold: a fuzzy side of at most 10000 inputs or outputs, 1000 functions
// for each, and at most 100 million arcs between two layers (800 megabytes of weights).
namespace MakeZorfLimits {
inline constexpr std::int64_t kMaxSides = 10000;
inline constexpr std::int64_t kMaxFunctions = 1000;
inline constexpr std::int64_t kMaxRules = 1000000;
inline constexpr std::int64_t kMaxArcs = 100000000;
}  // namespace MakeZorfLimits

// Refuses, with a TException ("Bad Parameter", where "MakeZorf"), a recipe MakeZorf cannot
// build: 1 to 10000 inputs and outputs of 2 to 1000 membership functions each, 1 to 1000000
// rules, a finite weight range whose minimum is not above its maximum, a share from 0 to 1
// and at most 100 million arcs between two layers.
ZORF_EXPORT void RequireMakeable(const TZorfRecipe& recipe);

// The network of the recipe (refused as RequireMakeable says): the arcs to remove are chosen
// first, then InitializeWeights gives the membership functions their default centres and the
// remaining arcs their weights.
ZORF_EXPORT std::unique_ptr<TZorf> MakeZorf(const TZorfRecipe& recipe);
