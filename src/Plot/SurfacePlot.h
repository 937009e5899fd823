// The surface plot: one output of a fuzzy network over two of its inputs as a colour map with
// contour lines, every other input held at a fixed value, each cell computed by propagating
// the network.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FileHandler/Syntax/OutputStream.h"
#include "Plot/PlotAxes.h"
#include "Zorf/TZorf.h"

// Cells along each axis of the map.
inline constexpr std::int32_t kSurfaceCells = 60;

struct TSurfaceRequest {
    std::int32_t inputX = 0;
    std::int32_t inputY = 1;
    std::int32_t output = 0;
    // The value of each input that is not plotted; none holds it at the middle of its range.
    std::vector<std::optional<double>> fixed;
};

// The range an input is plotted over: from its lowest membership-function centre to its
// highest.
ZORF_EXPORT TRange InputRange(const TZorf& network, std::int32_t input);

// The request must name inputs and an output of the network (as RunPlotZorf checks).
ZORF_EXPORT void WriteSurfacePlot(FileTools::OutputStream& out, TZorf& network,
                                  const std::string& title, const TSurfaceRequest& request);
