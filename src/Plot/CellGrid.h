// Grids of coloured cells (the rule matrices, the response surface) written compactly: the
// cells of one colour level form one path of unit squares inside a group scaled to the cell
// size, so that a matrix of 100,000 cells stays a file of a few megabytes.
#pragma once

#include <cstdint>
#include <vector>

#include "Plot/PlotAxes.h"
#include "Plot/SvgWriter.h"

class TCellGrid {
  public:
    // Colour levels of the viridis scale; more than a reader can tell apart.
    static constexpr int kLevels = 48;

    // `range` maps values to the colour scale.
    explicit TCellGrid(TRange range);

    // The cell in column `column`, row `row` (row 0 at the top).
    void Add(std::int32_t column, std::int32_t row, double value);
    // A mark of a frozen arc in the cell.
    void Mark(std::int32_t column, std::int32_t row);

    // The cells, the cell (0, 0) at (x, y) with the given cell size.
    void Draw(TSvgWriter& svg, double x, double y, double cellWidth, double cellHeight) const;

  private:
    TRange range;
    std::vector<TPathData> levels;
    TPathData marks;
};
