// `MakeZorf`: creates a new fuzzy network file from an architecture, so that a user (and
// the examples and benchmarks) can start from nothing. The weights come from the program's
// pseudo-random sequence started at a seed, so a recipe always gives the same file.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <memory>
#include <ostream>
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

// Refuses, with a TException ("Bad Parameter", where "MakeZorf"), a recipe MakeZorf cannot
// build: 1 to 10000 inputs and outputs of 2 to 1000 membership functions each, 1 to 1000000
// rules, a finite weight range whose minimum is not above its maximum, a share from 0 to 1
// and at most 100 million arcs between two layers.
ZORF_EXPORT void RequireMakeable(const TZorfRecipe& recipe);

// The network of the recipe (refused as RequireMakeable says): the arcs to remove are chosen
// first, then InitializeWeights gives the membership functions their default centres and the
// remaining arcs their weights.
ZORF_EXPORT std::unique_ptr<TZorf> MakeZorf(const TZorfRecipe& recipe);

// The whole job of `MakeZorf [options] network.file`: the usage text goes to `out`, every
// error to `err`. Returns the process exit status: 0 when the file was written, 1 otherwise.
ZORF_EXPORT int RunMakeZorf(int argc, const char* const* argv, std::ostream& out,
                            std::ostream& err);
