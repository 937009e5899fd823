#include "Plot/RulePlot.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include "Plot/CellGrid.h"
#include "Plot/ColourMap.h"
#include "Plot/PlotAxes.h"
#include "Plot/SvgWriter.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

constexpr double kLeft = 110;
constexpr double kTop = 86;
constexpr double kGap = 64;
constexpr double kScaleWidth = 16;
// Rows and columns get labels this far apart at least.
constexpr double kRowLabelPitch = 11;
constexpr double kColumnLabelPitch = 26;

// Weight layers 2 (conditions to rules) and 3 (rules to actions) seen with the rules as
// columns: a row is a condition or an action node.
struct TRuleMatrix {
    std::int32_t weightLayer;
    std::int32_t rows;
    std::int32_t rules;

    std::int32_t From(std::int32_t row, std::int32_t rule) const {
        return weightLayer == 2 ? row : rule;
    }
    std::int32_t To(std::int32_t row, std::int32_t rule) const {
        return weightLayer == 2 ? rule : row;
    }
};

std::int32_t LayerSize(const TZorf& network, std::int32_t layer) {
    return network.GetLayer(layer)->GetNumNeurons();
}

TRuleMatrix ConditionMatrix(const TZorf& network) {
    return {2, LayerSize(network, 2), LayerSize(network, 3)};
}

TRuleMatrix ActionMatrix(const TZorf& network) {
    return {3, LayerSize(network, 4), LayerSize(network, 3)};
}

std::optional<double> ArcWeight(TZorf& network, const TRuleMatrix& matrix, std::int32_t row,
                                std::int32_t rule) {
    const std::int32_t from = matrix.From(row, rule);
    const std::int32_t to = matrix.To(row, rule);
    if (!network.WeightExists(matrix.weightLayer, from, to)) {
        return std::nullopt;
    }
    return network.GetWeightValue(matrix.weightLayer, from, to);
}

bool IsFrozen(TZorf& network, const TRuleMatrix& matrix, std::int32_t row, std::int32_t rule) {
    TBasicConnections& arcs = network.GetConnections(matrix.weightLayer, matrix.weightLayer + 1);
    return (arcs.GetFlags(matrix.From(row, rule), matrix.To(row, rule)) & FMaskTrainable) == 0;
}

TRange WeightRange(TZorf& network) {
    std::vector<double> weights;
    for (const TRuleMatrix& matrix : {ConditionMatrix(network), ActionMatrix(network)}) {
        for (std::int32_t row = 0; row < matrix.rows; ++row) {
            for (std::int32_t rule = 0; rule < matrix.rules; ++rule) {
                if (const std::optional<double> weight = ArcWeight(network, matrix, row, rule)) {
                    weights.push_back(*weight);
                }
            }
        }
    }
    const TRange range = RangeOf(weights);
    return range.Span() > 0.0 ? range : range.Padded(0.0);
}

// "input 0 MF 1" for a condition node, "output 0 MF 2" for an action node.
std::string RowLabel(const TZorf& network, const TRuleMatrix& matrix, std::int32_t row) {
    const TMFGroups& groups = matrix.weightLayer == 2 ? network.GetConditionLayer()->GetMFGroups()
                                                      : network.GetDefuzzifyLayer()->GetMFGroups();
    const std::string side = matrix.weightLayer == 2 ? "input " : "output ";
    return side + std::to_string(groups.GroupOf(row)) + " MF " +
           std::to_string(groups.Position(row));
}

double CellHeight(std::int32_t rows, double room) {
    return std::clamp(room / std::max(rows, 1), 1.0, 22.0);
}

std::int32_t LabelStep(double pitch, double cell) {
    return static_cast<std::int32_t>(std::ceil(pitch / cell));
}

void DrawRuleLabels(TSvgWriter& svg, const std::vector<std::int32_t>& order, double y,
                    double cellWidth) {
    const std::int32_t step = LabelStep(kColumnLabelPitch, cellWidth);
    for (std::size_t column = 0; column < order.size(); column += static_cast<std::size_t>(step)) {
        svg.Text({kLeft + cellWidth * (static_cast<double>(column) + 0.5), y},
                 std::to_string(order[column]), "small", "middle");
    }
}

std::string Heading(const TRuleMatrix& matrix) {
    const std::string size =
        matrix.weightLayer == 2
            ? std::to_string(matrix.rows) + " x " + std::to_string(matrix.rules)
            : std::to_string(matrix.rules) + " x " + std::to_string(matrix.rows);
    return (matrix.weightLayer == 2 ? "Condition nodes to rules (" : "Rules to action nodes (") +
           size + ")";
}

// The matrix with its heading and the rule numbers above it, its top at y.
void DrawMatrix(TSvgWriter& svg, TZorf& network, const TRuleMatrix& matrix,
                const std::vector<std::int32_t>& order, const TRange& range, double y,
                double cellWidth, double cellHeight) {
    svg.Text({kLeft, y - 22}, Heading(matrix), "heading");
    DrawRuleLabels(svg, order, y - 5, cellWidth);
    TCellGrid cells(range);
    for (std::int32_t column = 0; column < matrix.rules; ++column) {
        const std::int32_t rule = order[static_cast<std::size_t>(column)];
        for (std::int32_t row = 0; row < matrix.rows; ++row) {
            if (const std::optional<double> weight = ArcWeight(network, matrix, row, rule)) {
                cells.Add(column, row, *weight);
                if (IsFrozen(network, matrix, row, rule)) {
                    cells.Mark(column, row);
                }
            }
        }
    }
    const double width = cellWidth * matrix.rules;
    const double height = cellHeight * matrix.rows;
    svg.Open("rect")
        .Attribute("x", kLeft)
        .Attribute("y", y)
        .Attribute("width", width)
        .Attribute("height", height)
        .Attribute("fill", "#fff")
        .Attribute("stroke", "#888")
        .Close();
    cells.Draw(svg, kLeft, y, cellWidth, cellHeight);
    const TMFGroups& groups = matrix.weightLayer == 2 ? network.GetConditionLayer()->GetMFGroups()
                                                      : network.GetDefuzzifyLayer()->GetMFGroups();
    for (std::int32_t group = 1; group < groups.GetNumGroups(); ++group) {
        const double at = y + cellHeight * groups.First(group);
        svg.Line({kLeft - 4, at}, {kLeft + width, at}, "axis");
    }
    const std::int32_t step = LabelStep(kRowLabelPitch, cellHeight);
    for (std::int32_t row = 0; row < matrix.rows; row += step) {
        svg.Text({kLeft - 6, y + cellHeight * (row + 0.5) + 3.5}, RowLabel(network, matrix, row),
                 "small", "end");
    }
}

}  // namespace

std::vector<std::int32_t> RuleOrder(TZorf& network) {
    const TRuleMatrix matrix = ConditionMatrix(network);
    struct TKey {
        std::int32_t condition;
        double weight;
    };
    std::vector<TKey> keys(static_cast<std::size_t>(matrix.rules),
                           {matrix.rows, 0.0});  // no arc: after every condition
    for (std::int32_t rule = 0; rule < matrix.rules; ++rule) {
        TKey& key = keys[static_cast<std::size_t>(rule)];
        for (std::int32_t row = 0; row < matrix.rows; ++row) {
            const std::optional<double> weight = ArcWeight(network, matrix, row, rule);
            if (weight && (key.condition == matrix.rows || *weight > key.weight)) {
                key = {row, *weight};
            }
        }
    }
    std::vector<std::int32_t> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&keys](std::int32_t a, std::int32_t b) {
        const TKey& ka = keys[static_cast<std::size_t>(a)];
        const TKey& kb = keys[static_cast<std::size_t>(b)];
        return ka.condition != kb.condition ? ka.condition < kb.condition : ka.weight > kb.weight;
    });
    return order;
}

void WriteRulePlot(FileTools::OutputStream& out, TZorf& network, const std::string& title) {
    const TRuleMatrix conditions = ConditionMatrix(network);
    const TRuleMatrix actions = ActionMatrix(network);
    const std::vector<std::int32_t> order = RuleOrder(network);
    const TRange range = WeightRange(network);
    const double cellWidth = std::clamp(760.0 / std::max(conditions.rules, 1), 0.5, 40.0);
    const double conditionHeight = CellHeight(conditions.rows, 360);
    const double actionHeight = CellHeight(actions.rows, 240);
    const double matrixWidth = cellWidth * conditions.rules;
    const double actionTop = kTop + conditionHeight * conditions.rows + kGap;
    const double bottom = actionTop + actionHeight * actions.rows;
    const double scaleX = kLeft + std::max(matrixWidth, 200.0) + 40;
    TSvgWriter svg(out, scaleX + 190, std::max(bottom + 46, kTop + 330), title);
    svg.Text({kLeft, 28}, title, "title");
    svg.Text({kLeft, 46},
             "Columns: the rules, sorted by the condition with the largest weight into each.",
             "small");
    DrawMatrix(svg, network, conditions, order, range, kTop, cellWidth, conditionHeight);
    DrawMatrix(svg, network, actions, order, range, actionTop, cellWidth, actionHeight);
    svg.Text({kLeft + matrixWidth / 2, bottom + 20}, "rule", "", "middle");
    DrawColourScale(svg, scaleX, kTop, kScaleWidth, 200, range, "weight");
    DrawLegend(svg, scaleX, kTop + 230,
               {{"blank: pruned arc", "#fff", "box"},
                {"white square: frozen arc", Viridis(0.3), "frozen"}});
    svg.Finish();
}
