#include "Plot/PlotAxes.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "Plot/ColourMap.h"

namespace {

constexpr double kTickLength = 4.0;

}  // namespace

double TRange::Share(double value) const {
    return Span() > 0.0 ? (value - low) / Span() : 0.0;
}

TRange TRange::Padded(double share) const {
    TRange grown = *this;
    if (!(Span() > 0.0)) {
        grown = {low - 0.5, low + 0.5};
    }
    const double margin = grown.Span() * share;
    return {grown.low - margin, grown.high + margin};
}

TRange TRange::Joined(const TRange& other) const {
    return {std::min(low, other.low), std::max(high, other.high)};
}

std::vector<double> FiniteValues(const std::vector<double>& values) {
    std::vector<double> finite;
    std::copy_if(values.begin(), values.end(), std::back_inserter(finite),
                 [](double v) { return std::isfinite(v); });
    return finite;
}

TRange RangeOf(const std::vector<double>& values) {
    const std::vector<double> finite = FiniteValues(values);
    if (finite.empty()) {
        return {0.0, 1.0};
    }
    const auto [low, high] = std::minmax_element(finite.begin(), finite.end());
    return {*low, *high};
}

std::vector<double> LinearTicks(const TRange& range, int count) {
    std::vector<double> ticks;
    if (!(range.Span() > 0.0) || !std::isfinite(range.Span())) {
        ticks.push_back(range.low);
        return ticks;
    }
    const double rough = range.Span() / std::max(count, 1);
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = power * 10.0;
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (power * factor >= rough) {
            step = power * factor;
            break;
        }
    }
    const double first = std::ceil(range.low / step - 1e-9);
    for (double k = first; k * step <= range.high + step * 1e-9; k += 1.0) {
        // Multiplying rather than adding keeps 0.3 at 3 * 0.1 instead of drifting.
        ticks.push_back(std::abs(k) < 0.5 ? 0.0 : k * step);
    }
    return ticks;
}

std::vector<double> LogTicks(const TRange& range) {
    std::vector<double> ticks;
    if (!(range.low > 0.0) || !std::isfinite(range.high) || !(range.high >= range.low)) {
        return ticks;
    }
    // The decades of finite positive doubles lie within -324 to 309.
    const int firstDecade = static_cast<int>(std::floor(std::log10(range.low)));
    const int lastDecade = static_cast<int>(std::ceil(std::log10(range.high)));
    const bool fine = lastDecade - firstDecade <= 3;
    // About a dozen labelled decades at most, however many the range spans.
    const int decadeStep = std::max(1, (lastDecade - firstDecade + 11) / 12);
    for (int decade = firstDecade; decade <= lastDecade; decade += decadeStep) {
        for (const double factor : {1.0, 2.0, 5.0}) {
            if (factor != 1.0 && !fine) {
                continue;
            }
            const double tick = factor * std::pow(10.0, static_cast<double>(decade));
            if (tick >= range.low * (1 - 1e-9) && tick <= range.high * (1 + 1e-9)) {
                ticks.push_back(tick);
            }
        }
    }
    return ticks;
}

double TPanelArea::ToX(double value) const {
    return x + xRange.Share(value) * width;
}

double TPanelArea::ToY(double value) const {
    const double share =
        logY ? TRange{std::log10(yRange.low), std::log10(yRange.high)}.Share(std::log10(value))
             : yRange.Share(value);
    return y + height - share * height;
}

void DrawAxes(TSvgWriter& svg, const TPanelArea& area, const std::string& xLabel,
              const std::string& yLabel, TAxesStyle style) {
    const bool grid = style == TAxesStyle::Grid;
    if (grid) {
        svg.Rect(area.x, area.y, area.width, area.height, "area");
    }
    const double bottom = area.y + area.height;
    for (const double tick : LinearTicks(area.xRange, 8)) {
        const double at = area.ToX(tick);
        if (grid) {
            svg.Line({at, area.y}, {at, bottom}, "grid");
        }
        svg.Line({at, bottom}, {at, bottom + kTickLength}, "axis");
        svg.Text({at, bottom + 15}, ValueText(tick), "", "middle");
    }
    const std::vector<double> yTicks =
        area.logY ? LogTicks(area.yRange) : LinearTicks(area.yRange, 4);
    for (const double tick : yTicks) {
        const double at = area.ToY(tick);
        if (grid) {
            svg.Line({area.x, at}, {area.x + area.width, at}, "grid");
        }
        svg.Line({area.x - kTickLength, at}, {area.x, at}, "axis");
        svg.Text({area.x - 6, at + 4}, ValueText(tick), "", "end");
    }
    svg.Line({area.x, bottom}, {area.x + area.width, bottom}, "axis");
    svg.Line({area.x, area.y}, {area.x, bottom}, "axis");
    if (!grid) {
        svg.Open("rect")
            .Attribute("x", area.x)
            .Attribute("y", area.y)
            .Attribute("width", area.width)
            .Attribute("height", area.height)
            .Attribute("fill", "none")
            .Attribute("stroke", "#222")
            .Close();
    }
    svg.Text({area.x + area.width / 2, bottom + 30}, xLabel, "", "middle");
    svg.Text({area.x - 40, area.y + area.height / 2}, yLabel, "", "middle", true);
}

void DrawLegend(TSvgWriter& svg, double x, double y, const std::vector<TLegendEntry>& entries) {
    double at = y;
    for (const TLegendEntry& entry : entries) {
        if (entry.mark == "line") {
            svg.Open("line")
                .Attribute("x1", x)
                .Attribute("y1", at)
                .Attribute("x2", x + 18)
                .Attribute("y2", at)
                .Attribute("stroke", entry.colour)
                .Attribute("class", "curve")
                .Close();
        } else if (entry.mark == "box" || entry.mark == "frozen") {
            svg.Open("rect")
                .Attribute("x", x + 3)
                .Attribute("y", at - 6)
                .Attribute("width", 12)
                .Attribute("height", 12)
                .Attribute("fill", entry.colour)
                .Attribute("stroke", "#888")
                .Attribute("stroke-width", 0.5)
                .Close();
            if (entry.mark == "frozen") {
                svg.Rect(x + 6.5, at - 2.5, 5, 5, "frozen");
            }
        } else {
            svg.Circle({x + 9, at}, 4, "centre", entry.colour);
        }
        svg.Text({x + 24, at + 4}, entry.label, "");
        at += 16;
    }
}

void DrawColourScale(TSvgWriter& svg, double x, double y, double width, double height,
                     const TRange& range, const std::string& label,
                     const std::vector<double>& marks) {
    constexpr int kSteps = 64;
    const double step = height / kSteps;
    for (int k = 0; k < kSteps; ++k) {
        // Overlapping by a fraction keeps hairline gaps out of the bar in every viewer.
        svg.FilledRect(x, y + height - (k + 1) * step, width, step + 0.3,
                       Viridis((k + 0.5) / kSteps));
    }
    svg.Open("rect")
        .Attribute("x", x)
        .Attribute("y", y)
        .Attribute("width", width)
        .Attribute("height", height)
        .Attribute("fill", "none")
        .Attribute("stroke", "#888")
        .Close();
    const TPanelArea bar{x, y, width, height, range, range, false};
    for (const double mark : marks) {
        svg.Line({x, bar.ToY(mark)}, {x + width, bar.ToY(mark)}, "contour");
    }
    for (const double tick : LinearTicks(range, 5)) {
        svg.Line({x + width, bar.ToY(tick)}, {x + width + kTickLength, bar.ToY(tick)}, "axis");
        svg.Text({x + width + 7, bar.ToY(tick) + 4}, ValueText(tick), "");
    }
    svg.Text({x, y - 8}, label, "");
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
