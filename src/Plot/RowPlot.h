// The picture of one decision: each input's membership functions with the row's value marked
// and its degrees dotted, the rule activations as bars, and each output's functions as stems
// as high as their activations, the centre of gravity they make marked.
#pragma once

#include <string>

#include "FileHandler/Syntax/OutputStream.h"
#include "Zorf/TZorfExplanation.h"

// `row` is the network's explanation of the row (ExplainRow).
void WriteRowPlot(FileTools::OutputStream& out, TZorf& network, const std::string& title,
                  const TZorfExplanation& row);
