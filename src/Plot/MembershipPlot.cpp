#include "Plot/MembershipPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "Plot/ColourMap.h"
#include "Plot/PlotAxes.h"
#include "Plot/SvgWriter.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TZorfExplanation.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

constexpr double kLeft = 70;
constexpr double kAreaWidth = 480;
constexpr double kAreaHeight = 150;
constexpr double kPanelPitch = 215;
constexpr double kTop = 84;
constexpr int kHistogramBins = 30;
// Legends list this many functions; the rest are only counted.
constexpr std::size_t kLegendEntries = 10;

std::vector<double> InputValues(const Data& data, std::int32_t input) {
    std::vector<double> values;
    values.reserve(static_cast<std::size_t>(data.MbrNdxDataRows));
    for (std::int32_t row = 0; row < data.MbrNdxDataRows; ++row) {
        values.push_back(data.GetInputDatum(row, input));
    }
    return FiniteValues(values);
}

// The sample points of an input: the even grid and the centres inside the range.
std::vector<double> SamplePoints(const TRange& range, const std::vector<double>& centres) {
    std::vector<double> points;
    for (int k = 0; k <= kMembershipSamples; ++k) {
        points.push_back(range.low + range.Span() * k / kMembershipSamples);
    }
    for (const double centre : centres) {
        if (centre > range.low && centre < range.high) {
            points.push_back(centre);
        }
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

void DrawHistogram(TSvgWriter& svg, const TPanelArea& area, const std::vector<double>& values) {
    std::vector<int> counts(kHistogramBins, 0);
    for (const double value : values) {
        const auto bin = static_cast<std::size_t>(std::clamp(
            std::floor(area.xRange.Share(value) * kHistogramBins), 0.0, kHistogramBins - 1.0));
        ++counts[bin];
    }
    const int highest = *std::max_element(counts.begin(), counts.end());
    const double binWidth = area.width / kHistogramBins;
    for (std::size_t bin = 0; bin < counts.size(); ++bin) {
        if (counts[bin] == 0) {
            continue;
        }
        const double height = area.height * counts[bin] / std::max(highest, 1);
        svg.Rect(area.x + binWidth * static_cast<double>(bin), area.y + area.height - height,
                 binWidth, height, "hist");
    }
}

std::vector<TLegendEntry> FunctionLegend(const std::vector<double>& centres,
                                         std::string_view mark) {
    std::vector<TLegendEntry> entries;
    const int count = static_cast<int>(centres.size());
    for (std::size_t k = 0; k < std::min(centres.size(), kLegendEntries); ++k) {
        entries.push_back({"MF " + std::to_string(k) + " at " + ValueText(centres[k]),
                           CurveColour(static_cast<int>(k), count), std::string(mark)});
    }
    if (centres.size() > kLegendEntries) {
        entries.push_back({"... " + std::to_string(centres.size()) + " functions", "#fff", "dot"});
    }
    return entries;
}

// The samples where the function is above 0, and one on either side: elsewhere the curve
// lies on the axis, and a thousand functions of one input stay a small file.
std::vector<TPoint> CurvePoints(const TPanelArea& area, const TConditionNeuron& node,
                                const std::vector<double>& samples) {
    std::vector<double> degrees;
    degrees.reserve(samples.size());
    for (const double x : samples) {
        degrees.push_back(node.Membership(x));
    }
    const auto positive = [](double degree) { return degree > 0.0; };
    const auto first = std::find_if(degrees.begin(), degrees.end(), positive);
    const auto last = std::find_if(degrees.rbegin(), degrees.rend(), positive);
    std::vector<TPoint> points;
    if (first == degrees.end()) {
        return points;
    }
    const auto from =
        static_cast<std::size_t>(std::max<std::ptrdiff_t>(first - degrees.begin() - 1, 0));
    const auto to = std::min(degrees.size(), static_cast<std::size_t>(degrees.rend() - last + 1));
    for (std::size_t k = from; k < to; ++k) {
        points.push_back(area.At(samples[k], degrees[k]));
    }
    return points;
}

void DrawInputPanel(TSvgWriter& svg, int panel, const TConditionLayer& layer, std::int32_t input,
                    const Data* data, const TZorfDataInfo& info) {
    const std::vector<double> centres = InputCentres(layer, input);
    const std::vector<double> values =
        data != nullptr ? InputValues(*data, input) : std::vector<double>{};
    TRange range = RangeOf(centres);
    if (!values.empty()) {
        range = range.Joined(RangeOf(values));
    }
    const TPanelArea area = MembershipPanelArea(panel, range.Padded(0.05));
    OpenMembershipPanel(svg, area,
                        "Input " + std::to_string(input) + ": " + std::to_string(centres.size()) +
                            " membership functions");
    DrawAxes(svg, area, ColumnTitle(info.inputs, "input", static_cast<std::size_t>(input)),
             "degree");
    if (!values.empty()) {
        DrawHistogram(svg, area, values);
    }
    DrawInputFunctions(svg, area, layer, input);
    std::vector<TLegendEntry> legend = FunctionLegend(centres, "line");
    if (!values.empty()) {
        legend.push_back(
            {"data: " + std::to_string(values.size()) + (values.size() == 1 ? " value" : " values"),
             "#e3e3e3", "box"});
    }
    DrawLegend(svg, area.x + area.width + 20, area.y + 8, legend);
    svg.EndGroup();
}

void DrawOutputPanel(TSvgWriter& svg, int panel, TZorf& network, const TZorfOutputLayer& layer,
                     std::int32_t output) {
    const std::int32_t count = layer.GetMFGroups().Count(output);
    const std::vector<double> centres = OutputCentres(network, output);
    const TPanelArea area = OutputPanelArea(panel, centres);
    OpenMembershipPanel(svg, area,
                        "Output " + std::to_string(output) + ": centres of its " +
                            std::to_string(count) + " membership functions");
    DrawAxes(svg, area,
             ColumnTitle(network.DataInfo().outputs, "output", static_cast<std::size_t>(output)),
             "degree");
    DrawOutputStems(svg, area, centres, std::vector<double>(centres.size(), 1.0));
    DrawLegend(svg, area.x + area.width + 20, area.y + 8, FunctionLegend(centres, "dot"));
    svg.EndGroup();
}

}  // namespace

double MembershipPlotHeight(int panels) {
    return kTop + panels * kPanelPitch;
}

TPanelArea MembershipPanelArea(int panel, const TRange& xRange) {
    return {kLeft, kTop + panel * kPanelPitch, kAreaWidth, kAreaHeight, xRange, {0.0, 1.0}, false};
}

TPanelArea OutputPanelArea(int panel, const std::vector<double>& centres) {
    return MembershipPanelArea(panel, RangeOf(centres).Joined({0.0, 1.0}).Padded(0.05));
}

void OpenMembershipPanel(TSvgWriter& svg, const TPanelArea& area, const std::string& heading) {
    svg.Open("g")
        .Attribute("class", "panel")
        .Attribute("data-low", ExactText(area.xRange.low))
        .Attribute("data-high", ExactText(area.xRange.high))
        .Content();
    svg.Text({area.x, area.y - 8}, heading, "heading");
}

void DrawInputFunctions(TSvgWriter& svg, const TPanelArea& area, const TConditionLayer& layer,
                        std::int32_t input) {
    const std::vector<std::int32_t> nodes = layer.GetInputMFNodes(input);
    const std::vector<double> centres = InputCentres(layer, input);
    const std::vector<double> samples = SamplePoints(area.xRange, centres);
    const int count = static_cast<int>(nodes.size());
    for (int k = 0; k < count; ++k) {
        const TConditionNeuron& node = layer.Node(nodes[static_cast<std::size_t>(k)]);
        svg.Polyline(CurvePoints(area, node, samples), "curve", CurveColour(k, count));
    }
    for (int k = 0; k < count; ++k) {
        const double centre = centres[static_cast<std::size_t>(k)];
        svg.Circle(
            area.At(centre, layer.Node(nodes[static_cast<std::size_t>(k)]).Membership(centre)), 3.5,
            "centre", CurveColour(k, count));
    }
}

void DrawOutputStems(TSvgWriter& svg, const TPanelArea& area, const std::vector<double>& centres,
                     const std::vector<double>& heights) {
    const int count = static_cast<int>(centres.size());
    for (int k = 0; k < count; ++k) {
        const double centre = centres[static_cast<std::size_t>(k)];
        const double height = heights[static_cast<std::size_t>(k)];
        svg.Open("line")
            .Attribute("x1", area.ToX(centre))
            .Attribute("y1", area.ToY(0.0))
            .Attribute("x2", area.ToX(centre))
            .Attribute("y2", area.ToY(height))
            .Attribute("class", "stem")
            .Attribute("stroke", CurveColour(k, count))
            .Close();
        svg.Circle(area.At(centre, height), 3.5, "centre", CurveColour(k, count));
    }
}

void WriteMembershipPlot(FileTools::OutputStream& out, TZorf& network, const std::string& title,
                         const Data* data) {
    const TConditionLayer& conditions = *network.GetConditionLayer();
    const TZorfOutputLayer& outputs = *network.GetDefuzzifyLayer();
    const std::int32_t inputCount = conditions.GetNumInputs();
    const std::int32_t outputCount = outputs.GetNumNeurons();
    const int panels = inputCount + outputCount;
    TSvgWriter svg(out, kMembershipPlotWidth, MembershipPlotHeight(panels), title);
    svg.Text({kLeft, 28}, title, "title");
    svg.Text({kLeft, 44}, "Degrees as the network computes them; dots mark the centres.", "small");
    for (std::int32_t input = 0; input < inputCount; ++input) {
        DrawInputPanel(svg, input, conditions, input, data, network.DataInfo());
    }
    for (std::int32_t output = 0; output < outputCount; ++output) {
        DrawOutputPanel(svg, inputCount + output, network, outputs, output);
    }
    svg.Finish();
}
