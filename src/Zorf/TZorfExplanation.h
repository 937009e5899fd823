// One row's way through a fuzzy network, for whoever shows why the row got its outputs (the
// explaining program, the row plot, the Python module): every layer's values as the network's
// own Propagate leaves them, so that what is explained is exactly what recall computes, and the
// weighted sums the rule and action nodes took them from.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <span>
#include <vector>

#include "Zorf/TZorf.h"

struct ZORF_EXPORT TZorfExplanation {
    std::vector<double> inputs;
    // The degree of each condition node (layer 2), input by input.
    std::vector<double> memberships;
    // Each rule's weighted sum of the degrees, and the activation the rule layer made of it.
    std::vector<double> ruleSums;
    std::vector<double> rules;
    // Each action node's weighted sum of the rule activations, and its activation.
    std::vector<double> actionSums;
    std::vector<double> actions;
    // The centre of gravity of each output's functions: the bits recall writes.
    std::vector<double> outputs;
};

// What an explanation reads: a network of the standard shape (TZorf::HasStandardShape) whose
// fuzzy layers have their membership functions. Raises TException naming the fault otherwise.
ZORF_EXPORT void RequireExplainable(const TZorf& network);

// Propagates the row and reads every layer, reusing the storage of `into`. Raises TException for
// a row of another length than the network's inputs and TNonFiniteInput (with `rowIndex`) for an
// input that is not a finite number, as recall does, before anything is propagated.
ZORF_EXPORT void ExplainRow(TZorf& network, std::span<const double> row, TZorfExplanation& into,
                            std::int64_t rowIndex = 0);

// The centres of an input's and of an output's functions, in node order.
ZORF_EXPORT std::vector<double> InputCentres(const TConditionLayer& layer, std::int32_t input);
ZORF_EXPORT std::vector<double> OutputCentres(TZorf& network, std::int32_t output);

// An output's centre of gravity as each of its functions makes it up: the function's share of
// the output's summed activations (0 for all when they sum to 0).
ZORF_EXPORT std::vector<double> GravityShares(const TZorf& network,
                                              const TZorfExplanation& explanation,
                                              std::int32_t output);

// The rule numbers from the highest activation to the lowest, ties in rule order; activations
// that are not numbers last.
ZORF_EXPORT std::vector<std::int32_t> RulesByActivation(const TZorfExplanation& explanation);
