// A fuzzy network's rules read as a person reads them: each input's and output's functions
// named by the order of their centres, and each rule as the conditions and actions whose
// weights matter, for the explaining program, the Python module and whoever else shows them.
//
// The degrees of one input's functions sum to 1 wherever the input stands, so a rule's weights
// on an input matter only relative to their lowest: the input adds its lowest weight wherever
// it stands, and on top of that each function's weight above the lowest, as far as the input
// belongs to the function. The span of an input's weights into a rule (highest less lowest) is
// how far the input can move the rule's weighted sum; an input whose weights are all equal does
// not matter to the rule.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "Zorf/TZorf.h"

// An input or output: its name and the label and centre of each function, in node order.
struct ZORF_EXPORT TZorfVariable {
    std::string name;
    std::vector<std::string> labels;
    std::vector<double> centres;
};

// The condition a rule sets on one input: the input belongs to the functions named (or, when
// negated, to none of them). The functions are those whose weight into the rule lies in the
// upper half of the input's span, named the shorter way.
struct ZORF_EXPORT TRuleCondition {
    std::int32_t input = 0;
    std::vector<std::int32_t> functions;
    bool negated = false;
    // The input's span over the sum of the rule's spans: its share of how far the rule's
    // weighted sum moves over the inputs' ranges.
    double share = 0.0;
    // Each function's weight above the input's lowest, over the span (0 to 1), in node order:
    // the degree to which a row meets the condition is the sum of these, each times the row's
    // degree in its function.
    std::vector<double> levels;
    std::int32_t frozenArcs = 0;
    std::int32_t existingArcs = 0;
};

// An arc from the rule to an action node (one function of one output); a negative weight says
// the rule holds the output away from the function.
struct ZORF_EXPORT TRuleAction {
    std::int32_t output = 0;
    std::int32_t function = 0;
    double weight = 0.0;
    // The weight's size over the sum of the sizes of all the rule's action weights.
    double share = 0.0;
    bool frozen = false;
};

struct ZORF_EXPORT TRuleReading {
    std::int32_t rule = 0;
    // The lowest and highest activation the rule reaches as the inputs range over their
    // functions' centres. A rule whose activation moves less than the threshold always fires
    // with about the same strength: it has no condition, and `always` is set.
    double lowest = 0.0;
    double highest = 0.0;
    bool always = false;
    // The conditions whose share reaches the threshold, by input, and how many inputs that
    // matter to the rule fell below it.
    std::vector<TRuleCondition> conditions;
    std::int32_t conditionsLeftOut = 0;
    // The actions whose share reaches the threshold, those that set their function before
    // those that hold the output away from it, each kind strongest first; and how many fell
    // below.
    std::vector<TRuleAction> actions;
    std::int32_t actionsLeftOut = 0;
    // Absent arcs into the rule from the condition nodes and out of it to the action nodes.
    std::int32_t prunedArcs = 0;
};

struct ZORF_EXPORT TZorfRules {
    double threshold = 0.0;
    std::vector<TZorfVariable> inputs;
    std::vector<TZorfVariable> outputs;
    // Ordered so that similar rules stand together: by their conditions' inputs and functions,
    // then by their actions; rules without a condition last.
    std::vector<TRuleReading> rules;
};

// The threshold a reader leaves out what lies below unless told otherwise.
inline constexpr double kDefaultRuleThreshold = 0.1;

// The labels of `count` functions from the lowest centre to the highest: "low", "medium" and
// "high" for three, a longer scale for up to nine, "level k of n" beyond.
ZORF_EXPORT std::vector<std::string> ScaleLabels(std::int32_t count);

// Raises TException for a network an explanation cannot read (RequireExplainable) and for a
// threshold outside [0, 1]. Reading leaves the rule layer's values changed: its activation
// function gives the rules' lowest and highest activations.
ZORF_EXPORT TZorfRules ReadRules(TZorf& network, double threshold);

// The degree to which a row with the membership degrees `memberships` (layer 2, every input's)
// meets the condition, from 0 to 1.
ZORF_EXPORT double ConditionDegree(const TZorfRules& rules, const TRuleCondition& condition,
                                   std::span<const double> memberships);
// "input 0 is low", "input 1 is not high", "input 0 is low or medium".
ZORF_EXPORT std::string ConditionText(const TZorfRules& rules, const TRuleCondition& condition);
// "output 0 is high", "output 0 is not medium".
ZORF_EXPORT std::string ActionText(const TZorfRules& rules, const TRuleAction& action);

// Every input and output with its labels, then one line per rule:
// "rule 0: IF input 0 is medium (0.50) AND input 1 is medium (0.50) THEN output 0 is high
// (0.57) AND output 0 is not medium (0.43)".
ZORF_EXPORT std::string RulesText(const TZorfRules& rules);
// The same as JSON: {"threshold", "inputs", "outputs", "rules"}.
ZORF_EXPORT std::string RulesJson(const TZorfRules& rules);
