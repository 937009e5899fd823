// The membership plot: one panel per input with the degrees of its membership functions over
// the input's range, computed by the condition layer itself on a fine grid, and one panel per
// output with the centres of its membership functions.
#pragma once

#include "KQmessage/Export.h"

#include <string>

#include "DataObject/Data.h"
#include "FileHandler/Syntax/OutputStream.h"
#include "Zorf/TZorf.h"

// The degrees are sampled at this many evenly spread points of an input's range and at
// every centre of its functions, where a function's shape turns.
inline constexpr int kMembershipSamples = 240;

// `data`, when given, adds a histogram of each input's values under its panel; it must hold
// at least as many inputs as the network.
ZORF_EXPORT void WriteMembershipPlot(FileTools::OutputStream& out, TZorf& network,
                                     const std::string& title, const Data* data);
