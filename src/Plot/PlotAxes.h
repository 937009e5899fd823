// What the plots share around their data: value ranges, their ticks, the axes of a panel,
// legends and the colour scale.
#pragma once

#include <string>
#include <vector>

#include "Plot/SvgWriter.h"

struct TRange {
    double low = 0.0;
    double high = 1.0;

    double Span() const { return high - low; }
    // Share of the way from low to high (0 when the range is a point).
    double Share(double value) const;
    // Grown by `share` of its span at both ends; a point grows to a span of 1 first.
    TRange Padded(double share) const;
    // The smallest range holding both.
    TRange Joined(const TRange& other) const;
};

std::vector<double> FiniteValues(const std::vector<double>& values);
// The smallest range holding the finite values; [0, 1] when there is none.
TRange RangeOf(const std::vector<double>& values);

// Round values (1, 2 or 5 times a power of ten) inside the range, about `count` of them.
std::vector<double> LinearTicks(const TRange& range, int count);
// The powers of ten inside [low, high] (both above 0), and 2 and 5 times them when the range
// spans less than three decades.
std::vector<double> LogTicks(const TRange& range);

// Where a plot's values land in the picture: x to the right, y upwards.
struct TPanelArea {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
    TRange xRange;
    TRange yRange;
    bool logY = false;

    double ToX(double value) const;
    double ToY(double value) const;
    TPoint At(double xValue, double yValue) const { return {ToX(xValue), ToY(yValue)}; }
};

// A white area under grid lines, or only a frame around what was drawn there already.
enum class TAxesStyle { Grid, FrameOnly };
// The plot area's frame with ticks, tick labels and the axis labels.
void DrawAxes(TSvgWriter& svg, const TPanelArea& area, const std::string& xLabel,
              const std::string& yLabel, TAxesStyle style = TAxesStyle::Grid);

struct TLegendEntry {
    std::string label;
    std::string colour;
    // "line", "box", "dot" or "frozen" (a box with the mark of a frozen arc).
    std::string mark;
};
// Entries one below the other from the top left corner (x, y).
void DrawLegend(TSvgWriter& svg, double x, double y, const std::vector<TLegendEntry>& entries);

// A vertical colour bar for `range` in the box, with ticks and a label; `marks` are drawn as
// lines across it (the contour levels).
void DrawColourScale(TSvgWriter& svg, double x, double y, double width, double height,
                     const TRange& range, const std::string& label,
                     const std::vector<double>& marks = {});

// A picture's file name for its title: the last part of the path.
std::string BaseName(const std::string& path);
