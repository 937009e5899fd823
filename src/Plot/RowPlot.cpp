#include "Plot/RowPlot.h"

#include <algorithm>
#include <cmath>

#include "Plot/ColourMap.h"
#include "Plot/MembershipPlot.h"
#include "Plot/PlotAxes.h"
#include "Plot/SvgWriter.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

// Legends name this many functions, or the strongest rules.
constexpr std::size_t kLegendEntries = 8;

std::string Named(const std::string& what, std::size_t number) {
    return what + " " + std::to_string(number);
}

void DrawInputPanel(TSvgWriter& svg, const TConditionLayer& layer, const TZorfExplanation& row,
                    std::int32_t input, const TZorfDataInfo& info) {
    const auto i = static_cast<std::size_t>(input);
    const double value = row.inputs[i];
    const std::vector<double> centres = InputCentres(layer, input);
    const TPanelArea area =
        MembershipPanelArea(input, RangeOf(centres).Joined({value, value}).Padded(0.05));
    OpenMembershipPanel(svg, area, "Input " + std::to_string(input) + " = " + ValueText(value));
    DrawAxes(svg, area, ColumnTitle(info.inputs, "input", i), "degree");
    DrawInputFunctions(svg, area, layer, input);
    svg.Line(area.At(value, 0.0), area.At(value, 1.0), "best");
    std::vector<TLegendEntry> legend;
    const std::vector<std::int32_t> nodes = layer.GetInputMFNodes(input);
    const int count = static_cast<int>(nodes.size());
    for (int k = 0; k < count; ++k) {
        const double degree =
            row.memberships[static_cast<std::size_t>(nodes[static_cast<std::size_t>(k)])];
        svg.Open("circle")
            .Attribute("cx", area.ToX(value))
            .Attribute("cy", area.ToY(degree))
            .Attribute("r", 3)
            .Attribute("class", "degree")
            .Attribute("fill", CurveColour(k, count))
            .Attribute("data-degree", ExactText(degree))
            .Close();
        if (static_cast<std::size_t>(k) < kLegendEntries) {
            legend.push_back({"MF " + std::to_string(k) + ": " + ValueText(degree),
                              CurveColour(k, count), "dot"});
        }
    }
    DrawLegend(svg, area.x + area.width + 20, area.y + 8, legend);
    svg.EndGroup();
}

void DrawRulePanel(TSvgWriter& svg, int panel, const TZorfExplanation& row) {
    const std::size_t rules = row.rules.size();
    TPanelArea area = MembershipPanelArea(panel, {-0.5, static_cast<double>(rules) - 0.5});
    OpenMembershipPanel(svg, area, "Rule activations");
    DrawAxes(svg, area, "rule", "activation");
    const double width = area.width / static_cast<double>(std::max<std::size_t>(rules, 1)) * 0.8;
    for (std::size_t r = 0; r < rules; ++r) {
        const double activation =
            std::isnan(row.rules[r]) ? 0.0 : std::clamp(row.rules[r], 0.0, 1.0);
        svg.Open("rect")
            .Attribute("x", area.ToX(static_cast<double>(r)) - width / 2)
            .Attribute("y", area.ToY(activation))
            .Attribute("width", width)
            .Attribute("height", area.ToY(0.0) - area.ToY(activation))
            .Attribute("class", "bar")
            .Attribute("fill", Viridis(activation))
            .Attribute("data-rule", std::to_string(r))
            .Attribute("data-activation", ExactText(row.rules[r]))
            .Close();
    }
    const std::vector<std::int32_t> order = RulesByActivation(row);
    std::vector<TLegendEntry> legend;
    for (std::size_t k = 0; k < std::min(rules, kLegendEntries); ++k) {
        const auto r = static_cast<std::size_t>(order[k]);
        legend.push_back(
            {Named("rule", r) + ": " + ValueText(row.rules[r]), Viridis(row.rules[r]), "box"});
    }
    DrawLegend(svg, area.x + area.width + 20, area.y + 8, legend);
    svg.EndGroup();
}

void DrawOutputPanel(TSvgWriter& svg, int panel, TZorf& network, const TZorfExplanation& row,
                     std::int32_t output) {
    const TMFGroups& groups = network.GetDefuzzifyLayer()->GetMFGroups();
    const auto first = static_cast<std::size_t>(groups.First(output));
    const auto count = static_cast<std::size_t>(groups.Count(output));
    const std::vector<double> centres = OutputCentres(network, output);
    const std::vector<double> activations(
        row.actions.begin() + static_cast<std::ptrdiff_t>(first),
        row.actions.begin() + static_cast<std::ptrdiff_t>(first + count));
    const double value = row.outputs[static_cast<std::size_t>(output)];
    const TPanelArea area = OutputPanelArea(panel, centres);
    OpenMembershipPanel(svg, area,
                        "Output " + std::to_string(output) + " = " + ValueText(value) +
                            ": its functions weighted by their activations");
    DrawAxes(svg, area,
             ColumnTitle(network.DataInfo().outputs, "output", static_cast<std::size_t>(output)),
             "activation");
    DrawOutputStems(svg, area, centres, activations);
    svg.Line(area.At(value, 0.0), area.At(value, 1.0), "best");
    std::vector<TLegendEntry> legend;
    for (std::size_t k = 0; k < std::min(count, kLegendEntries); ++k) {
        legend.push_back({"MF " + std::to_string(k) + " at " + ValueText(centres[k]) + ": " +
                              ValueText(activations[k]),
                          CurveColour(static_cast<int>(k), static_cast<int>(count)), "dot"});
    }
    legend.push_back({"centre of gravity " + ValueText(value), "#c00", "line"});
    DrawLegend(svg, area.x + area.width + 20, area.y + 8, legend);
    svg.EndGroup();
}

}  // namespace

void WriteRowPlot(FileTools::OutputStream& out, TZorf& network, const std::string& title,
                  const TZorfExplanation& row) {
    const TConditionLayer& conditions = *network.GetConditionLayer();
    const std::int32_t inputs = conditions.GetNumInputs();
    const auto outputs = static_cast<std::int32_t>(row.outputs.size());
    TSvgWriter svg(out, kMembershipPlotWidth, MembershipPlotHeight(inputs + 1 + outputs), title);
    const TPanelArea first = MembershipPanelArea(0, {});
    svg.Text({first.x, 28}, title, "title");
    svg.Text({first.x, 44},
             "The row's value on each input's functions, the rules' activations, and each "
             "output's functions weighted by theirs.",
             "small");
    for (std::int32_t input = 0; input < inputs; ++input) {
        DrawInputPanel(svg, conditions, row, input, network.DataInfo());
    }
    DrawRulePanel(svg, inputs, row);
    for (std::int32_t output = 0; output < outputs; ++output) {
        DrawOutputPanel(svg, inputs + 1 + output, network, row, output);
    }
    svg.Finish();
}
