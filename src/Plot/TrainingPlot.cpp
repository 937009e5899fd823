#include "Plot/TrainingPlot.h"

#include <algorithm>
#include <cmath>

#include "Plot/ColourMap.h"
#include "Plot/PlotAxes.h"
#include "Plot/SvgWriter.h"

namespace {

constexpr double kLeft = 80;
constexpr double kTop = 70;
constexpr double kAreaWidth = 560;
constexpr double kAreaHeight = 340;

// A log scale shows finite errors above 0 only.
bool Plottable(double error) {
    return error > 0.0 && std::isfinite(error);
}

// The whole decades around the plottable errors, within the decades of normal doubles: an
// error of 1e-320 is drawn at the axis's floor of 1e-307.
TRange ErrorRange(const std::vector<TEpochRecord>& log) {
    std::vector<double> positive;
    for (const TEpochRecord& row : log) {
        positive.push_back(row.trainingError);
        if (row.validationError) {
            positive.push_back(*row.validationError);
        }
    }
    std::erase_if(positive, [](double e) { return !Plottable(e); });
    if (positive.empty()) {
        return {0.1, 1.0};
    }
    const TRange range = RangeOf(positive);
    constexpr double kLowestDecade = -307;
    constexpr double kHighestDecade = 308;
    const double low = std::pow(
        10.0, std::clamp(std::floor(std::log10(range.low)), kLowestDecade, kHighestDecade));
    double high = std::pow(
        10.0, std::clamp(std::ceil(std::log10(range.high)), kLowestDecade, kHighestDecade));
    if (!(high > low)) {
        high = low * 10;
    }
    return {low, high};
}

std::vector<TPoint> CurvePoints(const TPanelArea& area, const std::vector<TEpochRecord>& log,
                                bool validation) {
    std::vector<TPoint> points;
    for (const TEpochRecord& row : log) {
        const std::optional<double> error = validation ? row.validationError : row.trainingError;
        if (error && Plottable(*error)) {
            points.push_back(area.At(row.epoch, std::max(*error, area.yRange.low)));
        }
    }
    return points;
}

bool Validated(const std::vector<TEpochRecord>& log) {
    return std::any_of(log.begin(), log.end(),
                       [](const TEpochRecord& row) { return row.validationError.has_value(); });
}

}  // namespace

std::optional<std::size_t> BestEpoch(const std::vector<TEpochRecord>& log) {
    const bool validated = Validated(log);
    std::optional<std::size_t> best;
    double lowest = 0.0;
    for (std::size_t k = 0; k < log.size(); ++k) {
        const std::optional<double> error =
            validated ? log[k].validationError : std::optional<double>(log[k].trainingError);
        if (error && Plottable(*error) && (!best || *error < lowest)) {
            best = k;
            lowest = *error;
        }
    }
    return best;
}

namespace {

// The position of the epoch numbered `kept`; none when the log has no such epoch.
std::optional<std::size_t> PositionOf(const std::vector<TEpochRecord>& log, std::int32_t kept) {
    const auto found = std::find_if(log.begin(), log.end(),
                                    [kept](const TEpochRecord& row) { return row.epoch == kept; });
    if (found == log.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - log.begin());
}

}  // namespace

void WriteTrainingPlot(FileTools::OutputStream& out, const std::vector<TEpochRecord>& log,
                       const std::string& title, std::optional<std::int32_t> kept) {
    const std::optional<std::size_t> keptAt = kept ? PositionOf(log, *kept) : std::nullopt;
    std::vector<double> epochs;
    epochs.reserve(log.size());
    for (const TEpochRecord& row : log) {
        epochs.push_back(row.epoch);
    }
    TRange epochRange = RangeOf(epochs);
    if (!(epochRange.Span() > 0.0)) {
        epochRange = {epochRange.low, epochRange.low + 1};
    }
    const TPanelArea area{kLeft, kTop, kAreaWidth, kAreaHeight, epochRange, ErrorRange(log), true};
    TSvgWriter svg(out, kLeft + kAreaWidth + 230, kTop + kAreaHeight + 70, title);
    svg.Text({kLeft, 28}, title, "title");
    const bool validated = Validated(log);
    svg.Text({kLeft, 46},
             std::to_string(log.size()) + (log.size() == 1 ? " epoch" : " epochs") +
                 "; errors on a log scale; the dashed line marks " +
                 (keptAt      ? "the epoch the run kept."
                  : validated ? "the lowest validation error."
                              : "the lowest training error."),
             "small");
    DrawAxes(svg, area, "epoch", "error");
    const std::string trainingColour = Viridis(0.0);
    const std::string validationColour = Viridis(0.6);
    std::vector<TLegendEntry> legend = {{"training error", trainingColour, "line"}};
    svg.Polyline(CurvePoints(area, log, false), "curve", trainingColour);
    const std::vector<TPoint> validation = CurvePoints(area, log, true);
    if (!validation.empty()) {
        svg.Polyline(validation, "curve", validationColour);
        legend.push_back({"validation error", validationColour, "line"});
    }
    if (const std::optional<std::size_t> best = keptAt ? keptAt : BestEpoch(log)) {
        const double epoch = log[*best].epoch;
        const double error =
            validation.empty() ? log[*best].trainingError : *log[*best].validationError;
        svg.Line({area.ToX(epoch), area.y}, {area.ToX(epoch), area.y + area.height}, "best");
        svg.Circle(area.At(epoch, std::max(error, area.yRange.low)), 4, "centre", "#c00");
        legend.push_back({(keptAt ? "kept epoch " : "best epoch ") +
                              std::to_string(log[*best].epoch) + ": " + ValueText(error),
                          "#c00", "dot"});
    }
    DrawLegend(svg, area.x + area.width + 20, area.y + 8, legend);
    svg.Finish();
}
