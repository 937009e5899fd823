#include "Explain/RowExplanation.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "KQmessage/JsonText.h"
#include "KQmessage/NumberText.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

std::string General(double value, int significant) {
    std::array<char, NumberText::kGeneralTextSize> text{};
    return std::string(NumberText::FormatGeneral(text, value, significant));
}

// Values for a reader, and an output as recall writes it.
std::string Value(double value) {
    return General(value, 6);
}
std::string Written(double value) {
    return General(value, 15);
}

std::string Share(double value) {
    std::array<char, NumberText::FixedTextSize(2)> text{};
    return std::string(NumberText::FormatFixed(text, value, 2));
}

std::string LeftOut(std::size_t count, const std::string& noun, double threshold) {
    return "(+" + std::to_string(count) + " " + noun + (count == 1 ? "" : "s") + " below " +
           Value(threshold) + ")";
}

// Each rule's reading by its number.
std::vector<const TRuleReading*> ByNumber(const TZorfRules& rules) {
    std::vector<const TRuleReading*> readings(rules.rules.size());
    for (const TRuleReading& reading : rules.rules) {
        readings[static_cast<std::size_t>(reading.rule)] = &reading;
    }
    return readings;
}

// What each rule adds to an action node's weighted sum: its activation times its weight.
struct TPart {
    std::int32_t rule;
    double weight;
    double activation;
    double Product() const { return weight * activation; }
};

std::vector<TPart> PartsOf(TZorf& network, const TZorfExplanation& row, std::int32_t action) {
    TBasicConnections& matrix = network.GetConnections(TZorf::kRuleLayer, TZorf::kActionLayer);
    std::vector<TPart> parts;
    for (std::size_t r = 0; r < row.rules.size(); ++r) {
        const auto rule = static_cast<std::int32_t>(r);
        if (matrix.IsValid(rule, action)) {
            parts.push_back({rule, matrix.GetWeight(rule, action), row.rules[r]});
        }
    }
    return parts;
}

std::string FunctionName(const TZorfRules& rules, const TMFGroups& groups, std::int32_t node) {
    const TZorfVariable& output = rules.outputs[static_cast<std::size_t>(groups.GroupOf(node))];
    return output.name + " " + output.labels[static_cast<std::size_t>(groups.Position(node))];
}

void MembershipLines(std::string& text, const TZorfRules& rules, const TZorfExplanation& row) {
    text += "Memberships, each function's degree:\n";
    std::size_t node = 0;
    for (const TZorfVariable& input : rules.inputs) {
        text += "  " + input.name + ":";
        for (std::size_t p = 0; p < input.labels.size(); ++p, ++node) {
            text += (p == 0 ? " " : ", ") + input.labels[p] + " " + Value(row.memberships[node]);
        }
        text += "\n";
    }
}

void RuleLines(std::string& text, const TZorfRules& rules, const TZorfExplanation& row) {
    text += "Rules by activation, with their weighted sums and the degree each condition held:\n";
    const std::vector<const TRuleReading*> readings = ByNumber(rules);
    std::size_t below = 0;
    for (const std::int32_t rule : RulesByActivation(row)) {
        const auto r = static_cast<std::size_t>(rule);
        if (row.rules[r] < rules.threshold) {
            ++below;
            continue;
        }
        const TRuleReading& reading = *readings[r];
        text += "  rule " + std::to_string(rule) + ": " + Value(row.rules[r]) + " (sum " +
                Value(row.ruleSums[r]) + ")";
        if (reading.always) {
            text += " always fires";
        }
        for (std::size_t k = 0; k < reading.conditions.size(); ++k) {
            const TRuleCondition& condition = reading.conditions[k];
            text += (k == 0 ? " IF " : " AND ") + ConditionText(rules, condition) + " (" +
                    Share(ConditionDegree(rules, condition, row.memberships)) + ")";
        }
        text += "\n";
    }
    if (below > 0) {
        text += "  " + LeftOut(below, "rule", rules.threshold) + "\n";
    }
}

void ActionLines(std::string& text, TZorf& network, const TZorfRules& rules,
                 const TZorfExplanation& row) {
    text += "Actions, with their weighted sums and the rules that weigh most in them:\n";
    const TMFGroups& groups = network.GetDefuzzifyLayer()->GetMFGroups();
    for (std::int32_t node = 0; node < groups.GetNumMembers(); ++node) {
        const auto a = static_cast<std::size_t>(node);
        text += "  " + FunctionName(rules, groups, node) + ": " + Value(row.actions[a]) + " (sum " +
                Value(row.actionSums[a]) + ")";
        std::vector<TPart> parts = PartsOf(network, row, node);
        double total = 0.0;
        for (const TPart& part : parts) {
            total += std::abs(part.Product());
        }
        // Parts that are not numbers (from a weight that is none) go last.
        const auto size = [](const TPart& part) {
            const double value = std::abs(part.Product());
            return std::isnan(value) ? -1.0 : value;
        };
        std::stable_sort(parts.begin(), parts.end(),
                         [&size](const TPart& x, const TPart& y) { return size(x) > size(y); });
        std::size_t shown = 0;
        for (const TPart& part : parts) {
            if (total > 0.0 && std::abs(part.Product()) / total >= rules.threshold) {
                text += (shown++ == 0 ? " from rule " : ", rule ") + std::to_string(part.rule) +
                        " " + Value(part.activation) + " x " + Value(part.weight);
            }
        }
        if (shown < parts.size()) {
            text += " " + LeftOut(parts.size() - shown, "rule", rules.threshold);
        }
        text += "\n";
    }
}

void OutputLines(std::string& text, TZorf& network, const TZorfRules& rules,
                 const TZorfExplanation& row) {
    text +=
        "Outputs, each the centre of gravity of its functions' centres, weighted by their "
        "activations:\n";
    const TMFGroups& groups = network.GetDefuzzifyLayer()->GetMFGroups();
    for (std::size_t k = 0; k < rules.outputs.size(); ++k) {
        const TZorfVariable& output = rules.outputs[k];
        const std::vector<double> shares =
            GravityShares(network, row, static_cast<std::int32_t>(k));
        const auto first = static_cast<std::size_t>(groups.First(static_cast<std::int32_t>(k)));
        text += "  " + output.name + ":";
        for (std::size_t p = 0; p < shares.size(); ++p) {
            text += (p == 0 ? " " : ", ") + output.labels[p] + " " + Value(row.actions[first + p]) +
                    " at " + Value(output.centres[p]) + " (share " + Share(shares[p]) + ")";
        }
        text += " = " + Written(row.outputs[k]) + "\n";
    }
}

}  // namespace

std::string RowText(TZorf& network, const TZorfRules& rules, const TZorfExplanation& row) {
    std::string text = "Row:";
    for (std::size_t i = 0; i < rules.inputs.size(); ++i) {
        text += (i == 0 ? " " : ", ") + rules.inputs[i].name + " = " + Value(row.inputs[i]);
    }
    text += "\n";
    MembershipLines(text, rules, row);
    RuleLines(text, rules, row);
    ActionLines(text, network, rules, row);
    OutputLines(text, network, rules, row);
    return text;
}

std::string RowJson(TZorf& network, const TZorfRules& rules, const TZorfExplanation& row) {
    TJsonText json;
    json.BeginObject().Key("inputs").Numbers(row.inputs).Key("memberships").BeginArray();
    std::size_t node = 0;
    for (const TZorfVariable& input : rules.inputs) {
        json.BeginObject().Key("input").String(input.name).Key("functions").BeginArray();
        for (std::size_t p = 0; p < input.labels.size(); ++p, ++node) {
            json.BeginObject().Key("label").String(input.labels[p]);
            json.Key("degree").Number(row.memberships[node]).End();
        }
        json.End().End();
    }
    json.End().Key("rules").BeginArray();
    const std::vector<const TRuleReading*> readings = ByNumber(rules);
    for (const std::int32_t rule : RulesByActivation(row)) {
        const auto r = static_cast<std::size_t>(rule);
        const TRuleReading& reading = *readings[r];
        json.BeginObject().Key("rule").Integer(rule).Key("activation").Number(row.rules[r]);
        json.Key("sum").Number(row.ruleSums[r]).Key("always").Boolean(reading.always);
        json.Key("conditions").BeginArray();
        for (const TRuleCondition& condition : reading.conditions) {
            json.BeginObject().Key("text").String(ConditionText(rules, condition));
            json.Key("degree").Number(ConditionDegree(rules, condition, row.memberships)).End();
        }
        json.End().End();
    }
    json.End().Key("actions").BeginArray();
    const TMFGroups& groups = network.GetDefuzzifyLayer()->GetMFGroups();
    for (std::int32_t action = 0; action < groups.GetNumMembers(); ++action) {
        const auto a = static_cast<std::size_t>(action);
        json.BeginObject().Key("function").String(FunctionName(rules, groups, action));
        json.Key("activation").Number(row.actions[a]).Key("sum").Number(row.actionSums[a]);
        json.Key("rules").BeginArray();
        for (const TPart& part : PartsOf(network, row, action)) {
            json.BeginObject().Key("rule").Integer(part.rule).Key("weight").Number(part.weight);
            json.Key("activation").Number(part.activation).End();
        }
        json.End().End();
    }
    json.End().Key("outputs").BeginArray();
    for (std::size_t k = 0; k < rules.outputs.size(); ++k) {
        json.BeginObject().Key("output").String(rules.outputs[k].name);
        json.Key("value").Number(row.outputs[k]).Key("written").String(Written(row.outputs[k]));
        json.Key("shares").Numbers(GravityShares(network, row, static_cast<std::int32_t>(k)));
        json.End();
    }
    json.End().End();
    return json.Text() + "\n";
}
