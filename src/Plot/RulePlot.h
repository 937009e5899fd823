// The rule plot: the two trainable matrices of a fuzzy network as heat maps, the conditions
// over the rules and, below them with the same columns, the action nodes over the rules.
// Pruned arcs leave their cells blank, frozen arcs carry a white square.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <string>
#include <vector>

#include "FileHandler/Syntax/OutputStream.h"
#include "Zorf/TZorf.h"

// The rules in the order of the plot's columns: grouped by the condition node with the
// largest weight into the rule (the condition that drives it most), inside a group by that
// weight, largest first; rules without arcs from the conditions come last.
ZORF_EXPORT std::vector<std::int32_t> RuleOrder(TZorf& network);

ZORF_EXPORT void WriteRulePlot(FileTools::OutputStream& out, TZorf& network,
                               const std::string& title);
