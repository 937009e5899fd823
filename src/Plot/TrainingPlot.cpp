#include "Plot/TrainingPlot.h"

#include <algorithm>
#include <cmath>

#include "KQmessage/FileToolsError.h"
#include "Plot/ColourMap.h"
#include "Plot/PlotAxes.h"
#include "Plot/SvgWriter.h"

namespace {

constexpr double kLeft = 80;
constexpr double kTop = 70;
constexpr double kAreaWidth = 560;
constexpr double kAreaHeight = 340;

// The whole decades around the positive errors: a log scale has no room for the others.
TRange ErrorRange(const TTrainingCurves& curves) {
    std::vector<double> positive;
    for (std::size_t k = 0; k < curves.epochs.size(); ++k) {
        positive.push_back(curves.training[k]);
        if (curves.validation[k]) {
            positive.push_back(*curves.validation[k]);
        }
    }
    std::erase_if(positive, [](double e) { return !(e > 0.0) || !std::isfinite(e); });
    if (positive.empty()) {
        return {0.1, 1.0};
    }
    const TRange range = RangeOf(positive);
    const double low = std::pow(10.0, std::floor(std::log10(range.low)));
    double high = std::pow(10.0, std::ceil(std::log10(range.high)));
    if (!(high > low)) {
        high = low * 10;
    }
    return {low, high};
}

std::vector<TPoint> CurvePoints(const TPanelArea& area, const TTrainingCurves& curves,
                                bool validation) {
    std::vector<TPoint> points;
    for (std::size_t k = 0; k < curves.epochs.size(); ++k) {
        const std::optional<double> error =
            validation ? curves.validation[k] : std::optional<double>(curves.training[k]);
        if (error && *error > 0.0 && std::isfinite(*error)) {
            points.push_back(area.At(static_cast<double>(curves.epochs[k]), *error));
        }
    }
    return points;
}

}  // namespace

std::optional<std::size_t> BestEpoch(const TTrainingCurves& curves) {
    const bool validated =
        std::any_of(curves.validation.begin(), curves.validation.end(),
                    [](const std::optional<double>& e) { return e.has_value(); });
    std::optional<std::size_t> best;
    double lowest = 0.0;
    for (std::size_t k = 0; k < curves.epochs.size(); ++k) {
        const std::optional<double> error =
            validated ? curves.validation[k] : std::optional<double>(curves.training[k]);
        if (error && (!best || *error < lowest)) {
            best = k;
            lowest = *error;
        }
    }
    return best;
}

void WriteTrainingPlot(FileTools::OutputStream& out, const TTrainingCurves& curves,
                       const std::string& title) {
    std::vector<double> epochs(curves.epochs.begin(), curves.epochs.end());
    TRange epochRange = RangeOf(epochs);
    if (!(epochRange.Span() > 0.0)) {
        epochRange = {epochRange.low, epochRange.low + 1};
    }
    const TPanelArea area{kLeft, kTop, kAreaWidth, kAreaHeight, epochRange, ErrorRange(curves),
                          true};
    TSvgWriter svg(out, kLeft + kAreaWidth + 200, kTop + kAreaHeight + 70, title);
    svg.Text({kLeft, 28}, title, "title");
    svg.Text({kLeft, 46}, std::to_string(curves.epochs.size()) + " epochs; errors on a log scale.",
             "small");
    DrawAxes(svg, area, "epoch", "error");
    const std::string trainingColour = Viridis(0.0);
    const std::string validationColour = Viridis(0.6);
    std::vector<TLegendEntry> legend = {{"training error", trainingColour, "line"}};
    svg.Polyline(CurvePoints(area, curves, false), "curve", trainingColour);
    const std::vector<TPoint> validation = CurvePoints(area, curves, true);
    if (!validation.empty()) {
        svg.Polyline(validation, "curve", validationColour);
        legend.push_back({"validation error", validationColour, "line"});
    }
    if (const std::optional<std::size_t> best = BestEpoch(curves)) {
        const double epoch = static_cast<double>(curves.epochs[*best]);
        const double error =
            validation.empty() ? curves.training[*best] : *curves.validation[*best];
        svg.Line({area.ToX(epoch), area.y}, {area.ToX(epoch), area.y + area.height}, "best");
        if (error > 0.0) {
            svg.Circle(area.At(epoch, error), 4, "centre", "#c00");
        }
        legend.push_back(
            {"best: epoch " + std::to_string(curves.epochs[*best]) + ", " + ValueText(error),
             "#c00", "dot"});
    }
    DrawLegend(svg, area.x + area.width + 20, area.y + 8, legend);
    svg.Finish();
}

TTrainingCurves ReadTrainingCurves(const std::string&) {
    throw FileTools::Error("not a training log");
}
