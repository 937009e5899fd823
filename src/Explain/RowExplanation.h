// Why one row got its outputs, in words and as JSON: each input's membership degrees, the rules
// ranked by activation with the degree to which each of their conditions held, each action
// node's weighted sum of the rules, and each output's centre of gravity, ending with the output
// as recall writes it.
#pragma once

#include <string>

#include "Zorf/TZorfExplanation.h"
#include "Zorf/TZorfRules.h"

// `rules` is the network's reading (ReadRules), whose threshold also leaves out the rules, and
// the rules' parts in an action's sum, that weigh less.
std::string RowText(TZorf& network, const TZorfRules& rules, const TZorfExplanation& row);
std::string RowJson(TZorf& network, const TZorfRules& rules, const TZorfExplanation& row);
