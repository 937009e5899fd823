#include "Plot/SurfacePlot.h"

#include <array>
#include <cmath>

#include "Plot/CellGrid.h"
#include "Plot/PlotAxes.h"
#include "Plot/SvgWriter.h"
#include "Zorf/TConditionLayer.h"

namespace {

constexpr double kLeft = 80;
constexpr double kTop = 70;
constexpr double kSide = 420;
constexpr double kScaleGap = 40;
constexpr double kScaleWidth = 16;

// The output at the centre of every cell, row 0 at the lowest value of the y input.
struct TSurface {
    TRange xRange;
    TRange yRange;
    std::vector<double> values;

    double At(std::int32_t column, std::int32_t row) const {
        return values[static_cast<std::size_t>(row) * static_cast<std::size_t>(kSurfaceCells) +
                      static_cast<std::size_t>(column)];
    }
    double CellX(double column) const {
        return xRange.low + xRange.Span() * (column + 0.5) / kSurfaceCells;
    }
    double CellY(double row) const {
        return yRange.low + yRange.Span() * (row + 0.5) / kSurfaceCells;
    }
};

std::vector<double> FixedInputs(const TZorf& network, const TSurfaceRequest& request) {
    const std::int32_t count = network.GetConditionLayer()->GetNumInputs();
    std::vector<double> inputs(static_cast<std::size_t>(network.GetLayer(1)->GetNumNeurons()), 0.0);
    for (std::int32_t input = 0; input < count; ++input) {
        const auto k = static_cast<std::size_t>(input);
        const TRange range = InputRange(network, input);
        inputs[k] = k < request.fixed.size() && request.fixed[k] ? *request.fixed[k]
                                                                 : (range.low + range.high) / 2;
    }
    return inputs;
}

TSurface Compute(TZorf& network, const TSurfaceRequest& request) {
    TSurface surface{InputRange(network, request.inputX), InputRange(network, request.inputY), {}};
    std::vector<double> inputs = FixedInputs(network, request);
    std::vector<double> outputs(static_cast<std::size_t>(network.GetLayer(5)->GetNumNeurons()));
    surface.values.reserve(kSurfaceCells * kSurfaceCells);
    for (std::int32_t row = 0; row < kSurfaceCells; ++row) {
        for (std::int32_t column = 0; column < kSurfaceCells; ++column) {
            inputs[static_cast<std::size_t>(request.inputX)] = surface.CellX(column);
            inputs[static_cast<std::size_t>(request.inputY)] = surface.CellY(row);
            network.Propagate(inputs.data(), outputs.data());
            surface.values.push_back(outputs[static_cast<std::size_t>(request.output)]);
        }
    }
    return surface;
}

// Where the level crosses the edge from corner a to corner b, in cell coordinates.
struct TCorner {
    double column;
    double row;
    double value;
};

bool Crosses(const TCorner& a, const TCorner& b, double level) {
    return (a.value < level) != (b.value < level);
}

TCorner Crossing(const TCorner& a, const TCorner& b, double level) {
    const double share = (level - a.value) / (b.value - a.value);
    return {a.column + (b.column - a.column) * share, a.row + (b.row - a.row) * share, level};
}

// Marching squares between the cell centres: each square of four neighbouring centres adds
// the segments where the level crosses its edges.
TPathData Contour(const TSurface& surface, const TPanelArea& area, double level) {
    TPathData path;
    const auto point = [&](const TCorner& c) {
        return area.At(surface.CellX(c.column), surface.CellY(c.row));
    };
    for (std::int32_t row = 0; row + 1 < kSurfaceCells; ++row) {
        for (std::int32_t column = 0; column + 1 < kSurfaceCells; ++column) {
            const std::array<TCorner, 4> corners = {
                TCorner{double(column), double(row), surface.At(column, row)},
                TCorner{double(column + 1), double(row), surface.At(column + 1, row)},
                TCorner{double(column + 1), double(row + 1), surface.At(column + 1, row + 1)},
                TCorner{double(column), double(row + 1), surface.At(column, row + 1)}};
            std::vector<TCorner> crossings;
            for (std::size_t edge = 0; edge < 4; ++edge) {
                const TCorner& a = corners[edge];
                const TCorner& b = corners[(edge + 1) % 4];
                if (Crosses(a, b, level)) {
                    crossings.push_back(Crossing(a, b, level));
                }
            }
            // At a saddle (four crossings) the corners on the side of the square's mean are
            // taken as joined through its middle, and the other two are cut off.
            const double mean =
                (corners[0].value + corners[1].value + corners[2].value + corners[3].value) / 4;
            const bool shift =
                crossings.size() == 4 && (corners[0].value < level) != (mean < level);
            for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
                const TPoint from = point(crossings[shift ? (k + 1) % 4 : k]);
                const TPoint to = point(crossings[shift ? (k + 2) % 4 : k + 1]);
                path.MoveTo(from.x, from.y).LineTo(to.x, to.y);
            }
        }
    }
    return path;
}

std::string FixedText(const TZorf& network, const TSurfaceRequest& request) {
    const std::vector<double> inputs = FixedInputs(network, request);
    std::string text;
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        const auto input = static_cast<std::int32_t>(k);
        if (input == request.inputX || input == request.inputY) {
            continue;
        }
        text += (text.empty() ? "Fixed: input " : ", input ") + std::to_string(k) + " = " +
                ValueText(inputs[k]);
    }
    return text.empty() ? "No other inputs." : text;
}

}  // namespace

TRange InputRange(const TZorf& network, std::int32_t input) {
    const TConditionLayer& layer = *network.GetConditionLayer();
    std::vector<double> centres;
    for (const std::int32_t node : layer.GetInputMFNodes(input)) {
        centres.push_back(layer.Node(node).centre);
    }
    const TRange range = RangeOf(centres);
    return range.Span() > 0.0 ? range : range.Padded(0.0);
}

void WriteSurfacePlot(FileTools::OutputStream& out, TZorf& network, const std::string& title,
                      const TSurfaceRequest& request) {
    const TSurface surface = Compute(network, request);
    TRange valueRange = RangeOf(surface.values);
    if (!(valueRange.Span() > 1e-12)) {
        valueRange = valueRange.Padded(0.0);
    }
    const TPanelArea area{kLeft, kTop, kSide, kSide, surface.xRange, surface.yRange, false};
    const double scaleX = kLeft + kSide + kScaleGap;
    TSvgWriter svg(out, scaleX + 110, kTop + kSide + 80, title);
    svg.Text({kLeft, 28}, title, "title");
    svg.Text({kLeft, 46},
             "Output " + std::to_string(request.output) + " over inputs " +
                 std::to_string(request.inputX) + " and " + std::to_string(request.inputY) +
                 ", computed by propagation.",
             "small");
    TCellGrid cells(valueRange);
    for (std::int32_t row = 0; row < kSurfaceCells; ++row) {
        for (std::int32_t column = 0; column < kSurfaceCells; ++column) {
            cells.Add(column, kSurfaceCells - 1 - row, surface.At(column, row));
        }
    }
    const double cell = kSide / kSurfaceCells;
    cells.Draw(svg, kLeft, kTop, cell, cell);
    std::vector<double> levels;
    for (const double level : LinearTicks(valueRange, 6)) {
        if (level > valueRange.low && level < valueRange.high) {
            levels.push_back(level);
        }
    }
    svg.Group("contours");
    for (const double level : levels) {
        const TPathData path = Contour(surface, area, level);
        if (!path.Empty()) {
            svg.Path(path, "contour", "");
        }
    }
    svg.EndGroup();
    const TZorfDataInfo& info = network.DataInfo();
    DrawAxes(svg, area, ColumnTitle(info.inputs, "input", static_cast<std::size_t>(request.inputX)),
             ColumnTitle(info.inputs, "input", static_cast<std::size_t>(request.inputY)),
             TAxesStyle::FrameOnly);
    DrawColourScale(svg, scaleX, kTop, kScaleWidth, kSide, valueRange,
                    ColumnTitle(info.outputs, "output", static_cast<std::size_t>(request.output)),
                    levels);
    svg.Text({kLeft, kTop + kSide + 52}, FixedText(network, request), "small");
    svg.Text({kLeft, kTop + kSide + 66}, "Lines: contours at the scale's ticks.", "small");
    svg.Finish();
}
