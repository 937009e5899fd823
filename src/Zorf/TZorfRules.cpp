#include "Zorf/TZorfRules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <tuple>
#include <utility>

#include "KQmessage/JsonText.h"
#include "KQmessage/KQML.h"
#include "KQmessage/NumberText.h"
#include "KQmessage/TException.h"
#include "NeuralNets/ArcFlags.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TZorfExplanation.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

// Scales for two to nine functions; the words say how far from the middle a function lies.
const std::array<std::vector<const char*>, 8> kScales = {{
    {"low", "high"},
    {"low", "medium", "high"},
    {"very low", "low", "high", "very high"},
    {"very low", "low", "medium", "high", "very high"},
    {"very low", "low", "medium low", "medium high", "high", "very high"},
    {"extremely low", "very low", "low", "medium", "high", "very high", "extremely high"},
    {"extremely low", "very low", "low", "medium low", "medium high", "high", "very high",
     "extremely high"},
    {"extremely low", "very low", "low", "medium low", "medium", "medium high", "high", "very high",
     "extremely high"},
}};

std::string Fixed(double value, int decimals) {
    std::array<char, NumberText::FixedTextSize(4)> text{};
    return std::string(NumberText::FormatFixed(text, value, decimals));
}

std::string General(double value) {
    std::array<char, NumberText::kGeneralTextSize> text{};
    return std::string(NumberText::FormatGeneral(text, value, 6));
}

// Each function's place from the lowest centre, ties in node order; a centre that is not a
// number goes last.
std::vector<std::int32_t> Ranks(const std::vector<double>& centres) {
    const auto key = [&centres](std::int32_t k) {
        const double centre = centres[static_cast<std::size_t>(k)];
        return std::isnan(centre) ? std::numeric_limits<double>::infinity() : centre;
    };
    std::vector<std::int32_t> order(centres.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&key](std::int32_t a, std::int32_t b) { return key(a) < key(b); });
    std::vector<std::int32_t> ranks(centres.size());
    for (std::size_t place = 0; place < order.size(); ++place) {
        ranks[static_cast<std::size_t>(order[place])] = static_cast<std::int32_t>(place);
    }
    return ranks;
}

TZorfVariable Variable(std::string name, std::vector<double> centres) {
    const std::vector<std::string> scale = ScaleLabels(static_cast<std::int32_t>(centres.size()));
    TZorfVariable variable{std::move(name), {}, std::move(centres)};
    for (const std::int32_t rank : Ranks(variable.centres)) {
        variable.labels.push_back(scale[static_cast<std::size_t>(rank)]);
    }
    return variable;
}

// The functions of a variable in the order of their centres.
std::vector<std::int32_t> ByCentre(const TZorfVariable& variable,
                                   std::vector<std::int32_t> functions) {
    const std::vector<std::int32_t> ranks = Ranks(variable.centres);
    std::sort(functions.begin(), functions.end(), [&ranks](std::int32_t a, std::int32_t b) {
        return ranks[static_cast<std::size_t>(a)] < ranks[static_cast<std::size_t>(b)];
    });
    return functions;
}

bool Frozen(TBasicConnections& matrix, std::int32_t from, std::int32_t to) {
    return (matrix.GetFlags(from, to) & FMaskTrainable) == 0;
}

// The input's weights into the rule read relative to their lowest (an absent arc adds nothing,
// as a weight of 0 would). Returns the lowest and the highest weight; `share` holds the span
// until the rule's total is known.
std::pair<double, double> ReadCondition(TBasicConnections& matrix, const TMFGroups& groups,
                                        std::int32_t input, std::int32_t rule,
                                        TRuleCondition& condition) {
    const std::int32_t first = groups.First(input);
    std::vector<double> weights;
    for (std::int32_t node = first; node < first + groups.Count(input); ++node) {
        const bool exists = matrix.IsValid(node, rule);
        weights.push_back(exists ? matrix.GetWeight(node, rule) : 0.0);
        condition.existingArcs += exists ? 1 : 0;
        condition.frozenArcs += exists && Frozen(matrix, node, rule) ? 1 : 0;
    }
    const auto [lowest, highest] = std::minmax_element(weights.begin(), weights.end());
    const double span = *highest - *lowest;
    condition.input = input;
    condition.share = span;
    std::vector<std::int32_t> upper;
    std::vector<std::int32_t> lower;
    for (std::size_t p = 0; p < weights.size(); ++p) {
        const double level = span > 0.0 ? (weights[p] - *lowest) / span : 0.0;
        condition.levels.push_back(level);
        (level >= 0.5 ? upper : lower).push_back(static_cast<std::int32_t>(p));
    }
    condition.negated = upper.size() > lower.size();
    condition.functions = condition.negated ? lower : upper;
    return {*lowest, *highest};
}

void ReadActions(TZorf& network, std::int32_t rule, double threshold, TRuleReading& reading) {
    TBasicConnections& matrix = network.GetConnections(TZorf::kRuleLayer, TZorf::kActionLayer);
    const TMFGroups& groups = network.GetDefuzzifyLayer()->GetMFGroups();
    std::vector<TRuleAction> candidates;
    double total = 0.0;
    for (std::int32_t node = 0; node < groups.GetNumMembers(); ++node) {
        if (!matrix.IsValid(rule, node)) {
            ++reading.prunedArcs;
            continue;
        }
        const double weight = matrix.GetWeight(rule, node);
        if (std::abs(weight) > 0.0) {
            candidates.push_back({groups.GroupOf(node), groups.Position(node), weight, 0.0,
                                  Frozen(matrix, rule, node)});
            total += std::abs(weight);
        }
    }
    // What the rule sets first, each side strongest first.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const TRuleAction& a, const TRuleAction& b) {
                         return std::make_pair(a.weight < 0.0, -std::abs(a.weight)) <
                                std::make_pair(b.weight < 0.0, -std::abs(b.weight));
                     });
    for (TRuleAction& action : candidates) {
        action.share = std::abs(action.weight) / total;
        if (action.share >= threshold) {
            reading.actions.push_back(action);
        } else {
            ++reading.actionsLeftOut;
        }
    }
}

// The rules' lowest and highest weighted sums through the rule layer's own activation.
std::vector<double> Activations(TZorf& network, std::vector<double>& sums) {
    TBasicLayer& layer = *network.GetLayer(TZorf::kRuleLayer);
    layer.ApplyActivation(sums.data());
    return {layer.GetValues(), layer.GetValues() + layer.GetNumNeurons()};
}

// Similar rules stand together: first those with conditions, by each condition's input, its
// sense and its first function; then those whose conditions all fell below the threshold; the
// rules that always fire last. Within those, by the actions, then by number.
void Order(const TZorfRules& reading, std::vector<TRuleReading>& rules) {
    using TKey = std::tuple<std::int32_t, std::vector<std::int32_t>, std::vector<std::int32_t>,
                            std::int32_t>;
    std::vector<TKey> keys;
    for (const TRuleReading& rule : rules) {
        const std::int32_t group = rule.always ? 2 : rule.conditions.empty() ? 1 : 0;
        std::vector<std::int32_t> conditions;
        for (const TRuleCondition& condition : rule.conditions) {
            const TZorfVariable& input = reading.inputs[static_cast<std::size_t>(condition.input)];
            const std::vector<std::int32_t> ranks = Ranks(input.centres);
            std::int32_t first = static_cast<std::int32_t>(ranks.size());
            for (const std::int32_t function : condition.functions) {
                first = std::min(first, ranks[static_cast<std::size_t>(function)]);
            }
            conditions.insert(conditions.end(),
                              {condition.input, condition.negated ? 1 : 0, first});
        }
        std::vector<std::int32_t> actions;
        for (const TRuleAction& action : rule.actions) {
            const TZorfVariable& output = reading.outputs[static_cast<std::size_t>(action.output)];
            actions.insert(actions.end(),
                           {action.output, action.weight < 0.0 ? 1 : 0,
                            Ranks(output.centres)[static_cast<std::size_t>(action.function)]});
        }
        keys.emplace_back(group, std::move(conditions), std::move(actions), rule.rule);
    }
    std::sort(rules.begin(), rules.end(), [&keys](const TRuleReading& a, const TRuleReading& b) {
        return keys[static_cast<std::size_t>(a.rule)] < keys[static_cast<std::size_t>(b.rule)];
    });
}

std::string Joined(const std::vector<std::string>& words, std::string_view between,
                   std::string_view last) {
    std::string text;
    for (std::size_t k = 0; k < words.size(); ++k) {
        if (k > 0) {
            text += k + 1 == words.size() ? last : between;
        }
        text += words[k];
    }
    return text;
}

std::string LeftOut(const TZorfRules& rules, std::int32_t count) {
    return "(+" + std::to_string(count) + " below " + General(rules.threshold) + ")";
}

std::string ConditionMarks(const TRuleCondition& condition) {
    if (condition.frozenArcs == 0) {
        return "";
    }
    if (condition.frozenArcs == condition.existingArcs) {
        return ", frozen";
    }
    return ", " + std::to_string(condition.frozenArcs) + " of " +
           std::to_string(condition.existingArcs) + " arcs frozen";
}

std::string RuleLine(const TZorfRules& rules, const TRuleReading& rule) {
    std::vector<std::string> parts = {"rule " + std::to_string(rule.rule) + ":"};
    if (rule.always) {
        parts.push_back("always fires (" + Fixed((rule.lowest + rule.highest) / 2, 2) + ")");
    } else {
        std::vector<std::string> conditions;
        for (const TRuleCondition& condition : rule.conditions) {
            conditions.push_back(ConditionText(rules, condition) + " (" +
                                 Fixed(condition.share, 2) + ConditionMarks(condition) + ")");
        }
        parts.push_back("IF");
        if (!conditions.empty()) {
            parts.push_back(Joined(conditions, " AND ", " AND "));
        }
        if (rule.conditionsLeftOut > 0) {
            parts.push_back(LeftOut(rules, rule.conditionsLeftOut));
        }
    }
    std::vector<std::string> actions;
    for (const TRuleAction& action : rule.actions) {
        actions.push_back(ActionText(rules, action) + " (" + Fixed(action.share, 2) +
                          (action.frozen ? ", frozen" : "") + ")");
    }
    parts.push_back("THEN");
    parts.push_back(actions.empty() && rule.actionsLeftOut == 0
                        ? "nothing"
                        : Joined(actions, " AND ", " AND "));
    if (rule.actionsLeftOut > 0) {
        parts.push_back(LeftOut(rules, rule.actionsLeftOut));
    }
    if (rule.prunedArcs > 0) {
        parts.push_back("[" + std::to_string(rule.prunedArcs) +
                        (rule.prunedArcs == 1 ? " arc" : " arcs") + " pruned]");
    }
    std::erase(parts, std::string());
    return Joined(parts, " ", " ");
}

void VariableLine(std::string& text, const TZorfVariable& variable) {
    std::vector<std::string> functions;
    std::vector<std::int32_t> all(variable.labels.size());
    std::iota(all.begin(), all.end(), 0);
    for (const std::int32_t k : ByCentre(variable, all)) {
        const auto p = static_cast<std::size_t>(k);
        functions.push_back(variable.labels[p] + " at " + General(variable.centres[p]));
    }
    text += "  " + variable.name + ": " + Joined(functions, ", ", ", ") + "\n";
}

void VariablesJson(TJsonText& json, const std::vector<TZorfVariable>& variables) {
    json.BeginArray();
    for (const TZorfVariable& variable : variables) {
        json.BeginObject().Key("name").String(variable.name).Key("functions").BeginArray();
        for (std::size_t k = 0; k < variable.labels.size(); ++k) {
            json.BeginObject().Key("label").String(variable.labels[k]);
            json.Key("centre").Number(variable.centres[k]).End();
        }
        json.End().End();
    }
    json.End();
}

void ConditionJson(TJsonText& json, const TZorfRules& rules, const TRuleCondition& condition) {
    const TZorfVariable& input = rules.inputs[static_cast<std::size_t>(condition.input)];
    json.BeginObject()
        .Key("input")
        .Integer(condition.input)
        .Key("text")
        .String(ConditionText(rules, condition));
    json.Key("functions").BeginArray();
    for (const std::int32_t function : condition.functions) {
        json.Integer(function);
    }
    json.End().Key("labels").BeginArray();
    for (const std::int32_t function : condition.functions) {
        json.String(input.labels[static_cast<std::size_t>(function)]);
    }
    json.End().Key("negated").Boolean(condition.negated).Key("share").Number(condition.share);
    json.Key("levels").Numbers(condition.levels).Key("arcs").Integer(condition.existingArcs);
    json.Key("frozen_arcs").Integer(condition.frozenArcs).End();
}

void ActionJson(TJsonText& json, const TZorfRules& rules, const TRuleAction& action) {
    const TZorfVariable& output = rules.outputs[static_cast<std::size_t>(action.output)];
    json.BeginObject()
        .Key("output")
        .Integer(action.output)
        .Key("function")
        .Integer(action.function);
    json.Key("label").String(output.labels[static_cast<std::size_t>(action.function)]);
    json.Key("text").String(ActionText(rules, action)).Key("weight").Number(action.weight);
    json.Key("share").Number(action.share).Key("frozen").Boolean(action.frozen).End();
}

// The recorded name of a column, or "input 2"; where labels of its functions are recorded (as
// many as it has), they replace the labels by the order of the centres.
TZorfVariable Named(TZorfVariable variable, const std::vector<TZorfColumnInfo>& recorded,
                    std::size_t index) {
    if (index < recorded.size()) {
        const TZorfColumnInfo& column = recorded[index];
        if (!column.name.empty()) {
            variable.name = column.name;
        }
        if (column.labels.size() == variable.labels.size()) {
            variable.labels = column.labels;
        }
    }
    return variable;
}

}  // namespace

std::vector<std::string> ScaleLabels(std::int32_t count) {
    std::vector<std::string> labels;
    if (count >= 2 && count <= static_cast<std::int32_t>(kScales.size()) + 1) {
        for (const char* label : kScales[static_cast<std::size_t>(count - 2)]) {
            labels.emplace_back(label);
        }
        return labels;
    }
    for (std::int32_t k = 1; k <= count; ++k) {
        labels.push_back("level " + std::to_string(k) + " of " + std::to_string(count));
    }
    return labels;
}

TZorfRules ReadRules(TZorf& network, double threshold) {
    RequireExplainable(network);
    if (!(threshold >= 0.0 && threshold <= 1.0)) {
        throw TException("The threshold must be a number from 0 to 1", kBadParameter, "ReadRules");
    }
    TZorfRules reading;
    reading.threshold = threshold;
    const TMFGroups& inputGroups = network.GetConditionLayer()->GetMFGroups();
    for (std::int32_t input = 0; input < inputGroups.GetNumGroups(); ++input) {
        reading.inputs.push_back(Named(Variable("input " + std::to_string(input),
                                                InputCentres(*network.GetConditionLayer(), input)),
                                       network.DataInfo().inputs, static_cast<std::size_t>(input)));
    }
    const TMFGroups& outputGroups = network.GetDefuzzifyLayer()->GetMFGroups();
    for (std::int32_t output = 0; output < outputGroups.GetNumGroups(); ++output) {
        reading.outputs.push_back(
            Named(Variable("output " + std::to_string(output), OutputCentres(network, output)),
                  network.DataInfo().outputs, static_cast<std::size_t>(output)));
    }

    TBasicConnections& matrix = network.GetConnections(TZorf::kConditionLayer, TZorf::kRuleLayer);
    const std::int32_t numRules = network.GetLayer(TZorf::kRuleLayer)->GetNumNeurons();
    std::vector<double> lowSums(static_cast<std::size_t>(numRules), 0.0);
    std::vector<double> highSums(lowSums.size(), 0.0);
    std::vector<std::vector<TRuleCondition>> candidates(lowSums.size());
    std::vector<double> totals(lowSums.size(), 0.0);
    reading.rules.resize(lowSums.size());
    for (std::int32_t rule = 0; rule < numRules; ++rule) {
        const auto r = static_cast<std::size_t>(rule);
        reading.rules[r].rule = rule;
        for (std::int32_t input = 0; input < inputGroups.GetNumGroups(); ++input) {
            TRuleCondition condition;
            const auto [lowest, highest] =
                ReadCondition(matrix, inputGroups, input, rule, condition);
            reading.rules[r].prunedArcs += inputGroups.Count(input) - condition.existingArcs;
            lowSums[r] += lowest;
            highSums[r] += highest;
            if (condition.share > 0.0) {
                totals[r] += condition.share;
                candidates[r].push_back(std::move(condition));
            }
        }
        ReadActions(network, rule, threshold, reading.rules[r]);
    }
    const std::vector<double> lows = Activations(network, lowSums);
    const std::vector<double> highs = Activations(network, highSums);
    for (std::size_t r = 0; r < reading.rules.size(); ++r) {
        TRuleReading& rule = reading.rules[r];
        rule.lowest = std::min(lows[r], highs[r]);
        rule.highest = std::max(lows[r], highs[r]);
        const double moves = rule.highest - rule.lowest;
        rule.always = moves < threshold || moves == 0.0;
        for (TRuleCondition& condition : candidates[r]) {
            condition.share /= totals[r];
            if (!rule.always && condition.share >= threshold) {
                rule.conditions.push_back(std::move(condition));
            } else {
                ++rule.conditionsLeftOut;
            }
        }
    }
    Order(reading, reading.rules);
    return reading;
}

double ConditionDegree(const TZorfRules& rules, const TRuleCondition& condition,
                       std::span<const double> memberships) {
    std::size_t first = 0;
    for (std::int32_t input = 0; input < condition.input; ++input) {
        first += rules.inputs[static_cast<std::size_t>(input)].labels.size();
    }
    double degree = 0.0;
    for (std::size_t p = 0; p < condition.levels.size(); ++p) {
        degree += condition.levels[p] * memberships[first + p];
    }
    return degree;
}

std::string ConditionText(const TZorfRules& rules, const TRuleCondition& condition) {
    const TZorfVariable& input = rules.inputs[static_cast<std::size_t>(condition.input)];
    std::vector<std::string> labels;
    for (const std::int32_t function : ByCentre(input, condition.functions)) {
        labels.push_back(input.labels[static_cast<std::size_t>(function)]);
    }
    std::string sense;
    if (!condition.negated) {
        sense = Joined(labels, ", ", " or ");
    } else if (labels.size() == 1) {
        sense = "not " + labels[0];
    } else if (labels.size() == 2) {
        sense = "neither " + labels[0] + " nor " + labels[1];
    } else {
        sense = "none of " + Joined(labels, ", ", ", ");
    }
    return input.name + " is " + sense;
}

std::string ActionText(const TZorfRules& rules, const TRuleAction& action) {
    const TZorfVariable& output = rules.outputs[static_cast<std::size_t>(action.output)];
    return output.name + " is " + (action.weight < 0.0 ? "not " : "") +
           output.labels[static_cast<std::size_t>(action.function)];
}

std::string RulesText(const TZorfRules& rules) {
    std::string text = "Inputs, each function named by the order of its centre:\n";
    for (const TZorfVariable& input : rules.inputs) {
        VariableLine(text, input);
    }
    text += "Outputs:\n";
    for (const TZorfVariable& output : rules.outputs) {
        VariableLine(text, output);
    }
    text += "Rules (" + std::to_string(rules.rules.size()) +
            "), each condition and action with its share, those below " + General(rules.threshold) +
            " left out:\n";
    for (const TRuleReading& rule : rules.rules) {
        text += "  " + RuleLine(rules, rule) + "\n";
    }
    return text;
}

std::string RulesJson(const TZorfRules& rules) {
    TJsonText json;
    json.BeginObject().Key("threshold").Number(rules.threshold);
    json.Key("inputs");
    VariablesJson(json, rules.inputs);
    json.Key("outputs");
    VariablesJson(json, rules.outputs);
    json.Key("rules").BeginArray();
    for (const TRuleReading& rule : rules.rules) {
        json.BeginObject().Key("rule").Integer(rule.rule).Key("text").String(RuleLine(rules, rule));
        json.Key("always").Boolean(rule.always).Key("lowest").Number(rule.lowest);
        json.Key("highest").Number(rule.highest).Key("conditions").BeginArray();
        for (const TRuleCondition& condition : rule.conditions) {
            ConditionJson(json, rules, condition);
        }
        json.End().Key("conditions_left_out").Integer(rule.conditionsLeftOut);
        json.Key("actions").BeginArray();
        for (const TRuleAction& action : rule.actions) {
            ActionJson(json, rules, action);
        }
        json.End().Key("actions_left_out").Integer(rule.actionsLeftOut);
        json.Key("pruned_arcs").Integer(rule.prunedArcs).End();
    }
    json.End().End();
    return json.Text() + "\n";
}
