#include "Plot/CellGrid.h"

#include <algorithm>
#include <cmath>

#include "Plot/ColourMap.h"

namespace {

// The mark's square, in cell units, centred in its cell.
constexpr double kMarkSize = 0.4;

}  // namespace

TCellGrid::TCellGrid(TRange valueRange)
    : range(valueRange), levels(static_cast<std::size_t>(kLevels)) {}

void TCellGrid::Add(std::int32_t column, std::int32_t row, double value) {
    const double share = std::clamp(range.Share(value), 0.0, 1.0);
    const auto level = static_cast<std::size_t>(std::lround(share * (kLevels - 1)));
    levels[level].Box(column, row, 1, 1);
}

void TCellGrid::Mark(std::int32_t column, std::int32_t row) {
    const double inset = (1.0 - kMarkSize) / 2;
    marks.Box(column + inset, row + inset, kMarkSize, kMarkSize);
}

void TCellGrid::Draw(TSvgWriter& svg, double x, double y, double cellWidth,
                     double cellHeight) const {
    svg.Group("cells", "translate(" + CoordinateText(x) + " " + CoordinateText(y) + ") scale(" +
                           CoordinateText(cellWidth) + " " + CoordinateText(cellHeight) + ")");
    for (std::size_t level = 0; level < levels.size(); ++level) {
        if (!levels[level].Empty()) {
            svg.Path(levels[level], "level", Viridis(static_cast<double>(level) / (kLevels - 1)));
        }
    }
    if (!marks.Empty()) {
        svg.Path(marks, "frozen", "");
    }
    svg.EndGroup();
}
