#include "Zorf/TZorfExplanation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <string>

#include "KQmessage/KQML.h"
#include "KQmessage/TException.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TNonFiniteInput.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

constexpr const char* kExplainRow = "ExplainRow";

std::vector<double>& Values(const TZorf& network, std::int32_t layer, std::vector<double>& into) {
    const TBasicLayer& source = *network.GetLayer(layer);
    into.assign(source.GetValues(), source.GetValues() + source.GetNumNeurons());
    return into;
}

// The net inputs of layer `to` as its Compute adds them: each target's sum over its sources in
// order, starting from 0.0, absent arcs left out (which leaves the bits as adding their 0.0).
void WeightedSums(TZorf& network, std::int32_t to, const std::vector<double>& sources,
                  std::vector<double>& sums) {
    TBasicConnections& matrix = network.GetConnections(to - 1, to);
    sums.assign(static_cast<std::size_t>(network.GetLayer(to)->GetNumNeurons()), 0.0);
    for (std::size_t t = 0; t < sums.size(); ++t) {
        double sum = 0.0;
        for (std::size_t s = 0; s < sources.size(); ++s) {
            const auto from = static_cast<std::int32_t>(s);
            const auto target = static_cast<std::int32_t>(t);
            if (matrix.IsValid(from, target)) {
                sum += matrix.GetWeight(from, target) * sources[s];
            }
        }
        sums[t] += sum;
    }
}

}  // namespace

void RequireExplainable(const TZorf& network) {
    if (!network.HasStandardShape()) {
        throw TException(
            "Not a fuzzy network of the standard shape (input, condition, rule, action and "
            "defuzzifying layers, each fed by the one below)",
            kBadParameter, kExplainRow);
    }
    if (!network.GetConditionLayer()->HasMFs() || !network.GetDefuzzifyLayer()->HasMFs()) {
        throw TException("The fuzzy layers have no membership functions", kBadParameter,
                         kExplainRow);
    }
}

void ExplainRow(TZorf& network, std::span<const double> row, TZorfExplanation& into,
                std::int64_t rowIndex) {
    RequireExplainable(network);
    const auto inputs = static_cast<std::size_t>(network.GetArchitecture().numInputs);
    if (row.size() != inputs) {
        throw TException("The row holds " + std::to_string(row.size()) +
                             " values, the network takes " + std::to_string(inputs),
                         kBadParameter, kExplainRow);
    }
    if (const std::optional<std::size_t> bad = FirstNonFinite(row.data(), row.size())) {
        throw TNonFiniteInput(rowIndex, static_cast<std::int64_t>(*bad));
    }
    into.outputs.resize(static_cast<std::size_t>(network.GetArchitecture().numOutputs));
    network.Propagate(row.data(), into.outputs.data());
    Values(network, TZorf::kInputLayer, into.inputs);
    WeightedSums(network, TZorf::kRuleLayer,
                 Values(network, TZorf::kConditionLayer, into.memberships), into.ruleSums);
    WeightedSums(network, TZorf::kActionLayer, Values(network, TZorf::kRuleLayer, into.rules),
                 into.actionSums);
    Values(network, TZorf::kActionLayer, into.actions);
}

std::vector<double> InputCentres(const TConditionLayer& layer, std::int32_t input) {
    const std::vector<std::int32_t> nodes = layer.GetInputMFNodes(input);
    std::vector<double> centres(nodes.size());
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        centres[k] = layer.Node(nodes[k]).centre;
    }
    return centres;
}

std::vector<double> OutputCentres(TZorf& network, std::int32_t output) {
    const TMFGroups& groups = network.GetDefuzzifyLayer()->GetMFGroups();
    std::vector<double> centres(static_cast<std::size_t>(groups.Count(output)));
    for (std::size_t k = 0; k < centres.size(); ++k) {
        centres[k] = network.GetWeightValue(
            TZorf::kOutputCentres, groups.First(output) + static_cast<std::int32_t>(k), output);
    }
    return centres;
}

std::vector<double> GravityShares(const TZorf& network, const TZorfExplanation& explanation,
                                  std::int32_t output) {
    const TMFGroups& groups = network.GetDefuzzifyLayer()->GetMFGroups();
    const auto first = static_cast<std::size_t>(groups.First(output));
    const auto count = static_cast<std::size_t>(groups.Count(output));
    double total = 0.0;
    for (std::size_t k = 0; k < count; ++k) {
        total += explanation.actions[first + k];
    }
    std::vector<double> shares(count, 0.0);
    for (std::size_t k = 0; k < count && total != 0.0; ++k) {
        shares[k] = explanation.actions[first + k] / total;
    }
    return shares;
}

std::vector<std::int32_t> RulesByActivation(const TZorfExplanation& explanation) {
    const auto key = [&explanation](std::int32_t r) {
        const double value = explanation.rules[static_cast<std::size_t>(r)];
        return std::isnan(value) ? -std::numeric_limits<double>::infinity() : value;
    };
    std::vector<std::int32_t> order(explanation.rules.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&key](std::int32_t a, std::int32_t b) { return key(a) > key(b); });
    return order;
}
