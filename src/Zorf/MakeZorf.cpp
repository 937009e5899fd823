#include "Zorf/MakeZorf.h"

#include <cmath>
#include <string>

#include "KQmessage/KQML.h"
#include "KQmessage/TException.h"
#include "NeuralNets/PseudoRandom.h"

namespace {

using MakeZorfLimits::kMaxArcs;
using MakeZorfLimits::kMaxFunctions;
using MakeZorfLimits::kMaxRules;
using MakeZorfLimits::kMaxSides;

std::int64_t Sum(const std::vector<std::int32_t>& counts) {
    std::int64_t sum = 0;
    for (const std::int32_t count : counts) {
        sum += count;
    }
    return sum;
}

[[noreturn]] void RefuseRecipe(const std::string& message) {
    throw TException(message, kBadParameter, "MakeZorf");
}

void RequireArcs(std::int64_t arcs, const char* between) {
    if (arcs > kMaxArcs) {
        RefuseRecipe("the network would have " + std::to_string(arcs) + " arcs " + between +
                     "; at most " + std::to_string(kMaxArcs) + " are supported");
    }
}

void RequireCounts(const std::vector<std::int32_t>& counts, const char* side) {
    if (counts.empty() || static_cast<std::int64_t>(counts.size()) > kMaxSides) {
        RefuseRecipe(std::string("a network has 1 to ") + std::to_string(kMaxSides) + " " + side +
                     ", not " + std::to_string(counts.size()));
    }
    for (const std::int32_t count : counts) {
        if (count < 2 || count > kMaxFunctions) {
            RefuseRecipe(std::string("each of the ") + side + " has 2 to " +
                         std::to_string(kMaxFunctions) + " membership functions, not " +
                         std::to_string(count));
        }
    }
}

// A number from 0 to bound - 1, for bounds up to 2^30, from two numbers of the sequence.
std::int64_t Draw(std::int64_t bound) {
    const std::int64_t high = PseudoRandom::Next();
    const std::int64_t low = PseudoRandom::Next();
    return ((high << 15) | low) % bound;
}

// Removes the share of the pair's arcs, each choice of that many arcs equally likely: every
// arc in turn goes with the chance of the removals still due among the arcs still to come.
void PruneArcs(TBasicNetwork& network, std::int32_t from, std::int32_t to, double share) {
    const std::int32_t nFrom = network.GetLayer(from)->GetNumNeurons();
    const std::int32_t nTo = network.GetLayer(to)->GetNumNeurons();
    std::int64_t remaining = static_cast<std::int64_t>(nFrom) * nTo;
    std::int64_t due = std::llround(share * static_cast<double>(remaining));
    TBasicConnections& matrix = network.GetConnections(from, to);
    for (std::int32_t s = 0; s < nFrom && due > 0; ++s) {
        for (std::int32_t t = 0; t < nTo && due > 0; ++t, --remaining) {
            if (Draw(remaining) < due) {
                matrix.RemoveArc(s, t);
                --due;
            }
        }
    }
}

}  // namespace

void RequireMakeable(const TZorfRecipe& recipe) {
    RequireCounts(recipe.mfPerInput, "inputs");
    RequireCounts(recipe.mfPerOutput, "outputs");
    if (recipe.numRules < 1 || recipe.numRules > kMaxRules) {
        RefuseRecipe("a network has 1 to " + std::to_string(kMaxRules) + " rules, not " +
                     std::to_string(recipe.numRules));
    }
    if (!std::isfinite(recipe.minimum) || !std::isfinite(recipe.maximum) ||
        !(recipe.minimum <= recipe.maximum)) {
        RefuseRecipe(
            "the weights are drawn from a finite range whose lowest weight is not above "
            "the highest");
    }
    if (!(recipe.pruneShare >= 0.0 && recipe.pruneShare <= 1.0)) {
        RefuseRecipe("the share of the arcs to prune is from 0 to 1");
    }
    RequireArcs(Sum(recipe.mfPerInput) * recipe.numRules, "from the conditions to the rules");
    RequireArcs(Sum(recipe.mfPerOutput) * recipe.numRules, "from the rules to the actions");
}

std::unique_ptr<TZorf> MakeZorf(const TZorfRecipe& recipe) {
    RequireMakeable(recipe);
    auto network = std::make_unique<TZorf>(static_cast<std::int32_t>(recipe.mfPerInput.size()),
                                           recipe.mfPerInput.data(), recipe.numRules,
                                           recipe.mfPerOutput.data(),
                                           static_cast<std::int32_t>(recipe.mfPerOutput.size()));
    PseudoRandom::Seed(recipe.seed);
    PruneArcs(*network, TZorf::kConditionLayer, TZorf::kRuleLayer, recipe.pruneShare);
    PruneArcs(*network, TZorf::kRuleLayer, TZorf::kActionLayer, recipe.pruneShare);
    network->InitializeWeights(recipe.minimum, recipe.maximum);
    return network;
}
