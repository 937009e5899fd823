// The membership plot: one panel per input with the degrees of its membership functions over
// the input's range, computed by the condition layer itself on a fine grid, and one panel per
// output with the centres of its membership functions.
#pragma once

#include <cstdint>

#include "KQmessage/Export.h"

#include <string>
#include <vector>

#include "DataObject/Data.h"
#include "FileHandler/Syntax/OutputStream.h"
#include "Plot/PlotAxes.h"
#include "Plot/SvgWriter.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TZorf.h"

// The degrees are sampled at this many evenly spread points of an input's range and at
// every centre of its functions, where a function's shape turns.
inline constexpr int kMembershipSamples = 240;

// The panels of the membership plot, one below the other, for the pictures that show the
// functions with more on them (the row plot).
inline constexpr double kMembershipPlotWidth = 780;
double MembershipPlotHeight(int panels);
// Panel `panel` from the top, over `xRange` and degrees from 0 to 1; an output's panel spans
// [0, 1] and its centres.
TPanelArea MembershipPanelArea(int panel, const TRange& xRange);
TPanelArea OutputPanelArea(int panel, const std::vector<double>& centres);
// Opens the panel's group (EndGroup closes it) and writes its heading.
void OpenMembershipPanel(TSvgWriter& svg, const TPanelArea& area, const std::string& heading);
// The input's functions as the condition layer computes them, their centres dotted.
void DrawInputFunctions(TSvgWriter& svg, const TPanelArea& area, const TConditionLayer& layer,
                        std::int32_t input);
// A stem at each centre, as high as its height.
void DrawOutputStems(TSvgWriter& svg, const TPanelArea& area, const std::vector<double>& centres,
                     const std::vector<double>& heights);

// `data`, when given, adds a histogram of each input's values under its panel; it must hold
// at least as many inputs as the network.
ZORF_EXPORT void WriteMembershipPlot(FileTools::OutputStream& out, TZorf& network,
                                     const std::string& title, const Data* data);
