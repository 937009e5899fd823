// The plots checked against the library's own numbers: the membership curves against the
// condition layer's degrees, the rule cells against the arcs that exist, the surface's colours
// against propagation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <sstream>

#include "FileHandler/NetworkFile/NetworkSoundness.h"
#include "Plot/ColourMap.h"
#include "Plot/MembershipPlot.h"
#include "Plot/RowPlot.h"
#include "Plot/RulePlot.h"
#include "Plot/SurfacePlot.h"
#include "Plot/SvgDocument.h"
#include "Plot/SvgWriter.h"
#include "Plot/TrainingPlot.h"
#include "Zorf/MakeZorf.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TZorfExplanation.h"

namespace {

std::unique_ptr<TZorf> Example() {
    FileTools::ScratchBuffer scratch;
    return FileTools::LoadRecallableZorf(scratch, std::string(ZORF_EXAMPLES_DIR) + "/comfort.net");
}

// Random architectures with pruned and frozen arcs and input centres anywhere in [-1, 2].
std::unique_ptr<TZorf> RandomNetwork(std::mt19937& engine) {
    const auto below = [&engine](int n) { return static_cast<std::int32_t>(engine() % n); };
    TZorfRecipe recipe;
    for (std::int32_t k = 0, n = 2 + below(3); k < n; ++k) {
        recipe.mfPerInput.push_back(2 + below(5));
    }
    recipe.numRules = 1 + below(30);
    for (std::int32_t k = 0, n = 1 + below(2); k < n; ++k) {
        recipe.mfPerOutput.push_back(2 + below(3));
    }
    recipe.seed = static_cast<std::uint32_t>(engine());
    recipe.pruneShare = below(3) * 0.3;
    std::unique_ptr<TZorf> network = MakeZorf(recipe);
    TConditionLayer& layer = *network->GetConditionLayer();
    for (std::int32_t input = 0; input < layer.GetNumInputs(); ++input) {
        std::vector<double> centres;
        for (std::size_t k = 0; k < layer.GetInputMFNodes(input).size(); ++k) {
            centres.push_back(-1.0 + 3.0 * below(1000) / 1000.0);
        }
        std::sort(centres.begin(), centres.end());
        for (const std::int32_t node : layer.GetInputMFNodes(input)) {
            network->SetWeightValue(1, input, node,
                                    centres[static_cast<std::size_t>(layer.GetMFPosition(node))]);
        }
    }
    for (std::int32_t rule = 0; rule < recipe.numRules; rule += 3) {
        network->FreezeWeight(2, rule, 0);
        network->FreezeWeight(3, 0, rule);
    }
    return network;
}

template <class Write>
std::string Picture(Write write) {
    FileTools::OutputStream out;
    write(out);
    return out.Text();
}

std::vector<TPoint> Points(const std::string& text) {
    std::vector<TPoint> points;
    std::istringstream in(text);
    TPoint point;
    char comma = 0;
    while (in >> point.x >> comma >> point.y) {
        points.push_back(point);
    }
    return points;
}

// The top left corners of the squares of a path of cells ("M3 4h1v1h-1z...").
std::vector<std::pair<double, double>> Boxes(const std::string& d) {
    std::vector<std::pair<double, double>> corners;
    for (std::size_t at = d.find('M'); at != std::string::npos; at = d.find('M', at + 1)) {
        std::istringstream in(d.substr(at + 1));
        double x = 0;
        double y = 0;
        in >> x >> y;
        corners.emplace_back(x, y);
    }
    return corners;
}

double Number(const std::string& text) {
    return std::stod(text);
}

// Every curve point of an input panel lies on the condition layer's degree, up to what the
// picture's two decimals of a pixel leave open.
void ExpectCurvesOnDegrees(TZorf& network, const TSvgDocument& svg) {
    const TConditionLayer& layer = *network.GetConditionLayer();
    const std::vector<std::size_t> panels = svg.All("g", "panel");
    const std::vector<std::size_t> curves = svg.All("polyline", "curve");
    ASSERT_EQ(panels.size(), static_cast<std::size_t>(layer.GetNumInputs() +
                                                      network.GetLayer(5)->GetNumNeurons()));
    ASSERT_EQ(curves.size(), static_cast<std::size_t>(layer.GetNumNeurons()));
    std::size_t curve = 0;
    for (std::int32_t input = 0; input < layer.GetNumInputs(); ++input) {
        const std::size_t panel = panels[static_cast<std::size_t>(input)];
        const TSvgElement& area =
            svg.elements[svg.All("rect", "area")[static_cast<std::size_t>(input)]];
        ASSERT_TRUE(svg.Inside(svg.All("rect", "area")[static_cast<std::size_t>(input)], panel));
        const double low = Number(svg.elements[panel].Get("data-low"));
        const double span = Number(svg.elements[panel].Get("data-high")) - low;
        const double x0 = Number(area.Get("x"));
        const double width = Number(area.Get("width"));
        const double bottom = Number(area.Get("y")) + Number(area.Get("height"));
        const double height = Number(area.Get("height"));
        const double slack = 0.006 / width * span;
        for (const std::int32_t node : layer.GetInputMFNodes(input)) {
            const TSvgElement& line = svg.elements[curves[curve++]];
            ASSERT_TRUE(svg.Inside(curves[curve - 1], panel));
            const TConditionNeuron& mf = layer.Node(node);
            for (const TPoint& p : Points(line.Get("points"))) {
                const double x = low + (p.x - x0) / width * span;
                const double degree = (bottom - p.y) / height;
                std::vector<double> near = {mf.Membership(x - slack), mf.Membership(x),
                                            mf.Membership(x + slack)};
                if (std::abs(mf.centre - x) <= slack) {
                    near.push_back(1.0);
                }
                const auto [least, most] = std::minmax_element(near.begin(), near.end());
                EXPECT_GE(degree, *least - 0.0001) << "input " << input << " node " << node;
                EXPECT_LE(degree, *most + 0.0001) << "input " << input << " node " << node;
            }
        }
    }
}

TEST(MembershipPlot, CurvesAreTheDegreesTheNetworkComputes) {
    std::unique_ptr<TZorf> example = Example();
    ExpectCurvesOnDegrees(*example, TSvgDocument(Picture([&](auto& out) {
        WriteMembershipPlot(out, *example, "comfort.net", nullptr);
    })));
    std::mt19937 engine(19);
    for (int k = 0; k < 20; ++k) {
        std::unique_ptr<TZorf> network = RandomNetwork(engine);
        ExpectCurvesOnDegrees(*network, TSvgDocument(Picture([&](auto& out) {
            WriteMembershipPlot(out, *network, "<random & \"net\">", nullptr);
        })));
    }
}

TEST(MembershipPlot, TitlesAreEscapedAndReadBackWhole) {
    std::unique_ptr<TZorf> example = Example();
    const std::string title = "a<b & \"c\" > d";
    const TSvgDocument svg(
        Picture([&](auto& out) { WriteMembershipPlot(out, *example, title, nullptr); }));
    ASSERT_FALSE(svg.elements.empty());
    EXPECT_EQ(svg.elements[1].name, "title");
    EXPECT_EQ(svg.elements[1].text, title);
}

// The cells of both matrices are exactly the existing arcs, in the columns of RuleOrder, and
// the marks exactly the frozen ones.
TEST(RulePlot, CellsAreTheExistingArcsAndMarksTheFrozenOnes) {
    std::mt19937 engine(7);
    for (int k = 0; k < 20; ++k) {
        std::unique_ptr<TZorf> network = RandomNetwork(engine);
        const TSvgDocument svg(Picture([&](auto& out) { WriteRulePlot(out, *network, "random"); }));
        const std::vector<std::int32_t> order = RuleOrder(*network);
        const std::vector<std::size_t> grids = svg.All("g", "cells");
        ASSERT_EQ(grids.size(), 2u);
        for (std::int32_t weightLayer : {2, 3}) {
            const std::size_t grid = grids[static_cast<std::size_t>(weightLayer - 2)];
            std::set<std::pair<int, int>> cells;
            std::set<std::pair<int, int>> marks;
            for (std::size_t e = grid + 1; e < svg.elements.size() && svg.Inside(e, grid); ++e) {
                for (const auto& [x, y] : Boxes(svg.elements[e].Get("d"))) {
                    auto& into = svg.elements[e].Get("class") == "frozen" ? marks : cells;
                    EXPECT_TRUE(into.emplace(int(std::floor(x)), int(std::floor(y))).second);
                }
            }
            std::set<std::pair<int, int>> arcs;
            std::set<std::pair<int, int>> frozen;
            const std::int32_t rows = network->GetLayer(weightLayer == 2 ? 2 : 4)->GetNumNeurons();
            for (std::size_t column = 0; column < order.size(); ++column) {
                for (std::int32_t row = 0; row < rows; ++row) {
                    const std::int32_t from = weightLayer == 2 ? row : order[column];
                    const std::int32_t to = weightLayer == 2 ? order[column] : row;
                    if (network->WeightExists(weightLayer, from, to)) {
                        arcs.emplace(int(column), row);
                        if ((network->GetConnections(weightLayer, weightLayer + 1)
                                 .GetFlags(from, to) &
                             FMaskTrainable) == 0) {
                            frozen.emplace(int(column), row);
                        }
                    }
                }
            }
            EXPECT_EQ(cells, arcs);
            EXPECT_EQ(marks, frozen);
        }
    }
}

TEST(RulePlot, EachRuleStandsWithTheConditionThatDrivesItMost) {
    std::mt19937 engine(3);
    std::unique_ptr<TZorf> network = RandomNetwork(engine);
    const std::int32_t conditions = network->GetLayer(2)->GetNumNeurons();
    std::int32_t previous = -1;
    for (const std::int32_t rule : RuleOrder(*network)) {
        std::int32_t strongest = conditions;
        for (std::int32_t c = 0; c < conditions; ++c) {
            if (network->WeightExists(2, c, rule) &&
                (strongest == conditions || network->GetWeightValue(2, c, rule) >
                                                network->GetWeightValue(2, strongest, rule))) {
                strongest = c;
            }
        }
        EXPECT_GE(strongest, previous);
        previous = strongest;
    }
}

// The bars are the rule activations and the dots on the inputs the degrees of the row's
// explanation, to the bit.
TEST(RowPlot, ShowsTheRowsExplanation) {
    std::mt19937 engine(23);
    std::uniform_real_distribution<double> value(-1.0, 2.0);
    for (int k = 0; k < 10; ++k) {
        std::unique_ptr<TZorf> network = RandomNetwork(engine);
        std::vector<double> row(
            static_cast<std::size_t>(network->GetConditionLayer()->GetNumInputs()));
        std::generate(row.begin(), row.end(), [&] { return value(engine); });
        TZorfExplanation explanation;
        ExplainRow(*network, row, explanation);
        const TSvgDocument svg(
            Picture([&](auto& out) { WriteRowPlot(out, *network, "row", explanation); }));
        const auto values = [&svg](const char* element, const char* cssClass, const char* key) {
            std::vector<double> found;
            for (const std::size_t e : svg.All(element, cssClass)) {
                found.push_back(Number(svg.elements[e].Get(key)));
            }
            return found;
        };
        EXPECT_EQ(values("rect", "bar", "data-activation"), explanation.rules);
        EXPECT_EQ(values("circle", "degree", "data-degree"), explanation.memberships);
        EXPECT_EQ(svg.All("g", "panel").size(), row.size() + 1 + explanation.outputs.size());
    }
}

// Darker cells never hold a larger output than lighter ones.
TEST(SurfacePlot, ColoursRiseWithThePropagatedOutput) {
    std::mt19937 engine(5);
    std::unique_ptr<TZorf> network = RandomNetwork(engine);
    TSurfaceRequest request{0, 1, 0, {}};
    request.fixed.resize(static_cast<std::size_t>(network->GetConditionLayer()->GetNumInputs()));
    const TSvgDocument svg(
        Picture([&](auto& out) { WriteSurfacePlot(out, *network, "random", request); }));
    std::vector<std::string> colours;
    for (int level = 0; level < 48; ++level) {
        colours.push_back(Viridis(level / 47.0));
    }
    const TRange x = InputRange(*network, 0);
    const TRange y = InputRange(*network, 1);
    std::vector<double> inputs(static_cast<std::size_t>(network->GetLayer(1)->GetNumNeurons()));
    for (std::size_t k = 2; k < inputs.size(); ++k) {
        const TRange range = InputRange(*network, static_cast<std::int32_t>(k));
        inputs[k] = (range.low + range.high) / 2;
    }
    std::vector<double> outputs(static_cast<std::size_t>(network->GetLayer(5)->GetNumNeurons()));
    std::vector<std::pair<double, long>> cells;
    for (const std::size_t path : svg.All("path", "level")) {
        const long level =
            std::find(colours.begin(), colours.end(), svg.elements[path].Get("fill")) -
            colours.begin();
        for (const auto& [column, row] : Boxes(svg.elements[path].Get("d"))) {
            inputs[0] = x.low + x.Span() * (column + 0.5) / kSurfaceCells;
            inputs[1] = y.low + y.Span() * (kSurfaceCells - row - 0.5) / kSurfaceCells;
            network->Propagate(inputs.data(), outputs.data());
            cells.emplace_back(outputs[0], level);
        }
    }
    ASSERT_EQ(cells.size(), static_cast<std::size_t>(kSurfaceCells * kSurfaceCells));
    std::sort(cells.begin(), cells.end());
    for (std::size_t k = 1; k < cells.size(); ++k) {
        EXPECT_LE(cells[k - 1].second, cells[k].second) << cells[k - 1].first;
    }
}

TEST(SvgWriter, CoordinatesHaveAtMostTwoDecimals) {
    const std::pair<double, const char*> cases[] = {{1.0, "1"},        {100.0, "100"},
                                                    {3.14159, "3.14"}, {0.1 + 0.2, "0.3"},
                                                    {-0.004, "0"},     {-2.5, "-2.5"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(CoordinateText(value), text);
    }
}

}  // namespace

namespace {

// Errors a log may hold that a log scale cannot show: each plot ends, keeps its ticks finite
// and few, and never marks such an error as the best epoch.
TEST(TrainingPlot, HostileErrorsEndPromptlyAndAreNeverTheBest) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double tiny = 1e-323;
    const std::vector<std::vector<double>> cases = {
        {0.5, tiny}, {0.5, 0.0}, {0.5, -1.0}, {0.5, nan}, {0.5, -inf}, {0.5, inf}, {tiny, 1e300},
    };
    for (const std::vector<double>& errors : cases) {
        std::vector<TEpochRecord> log;
        for (const double error : errors) {
            log.push_back({static_cast<std::int32_t>(log.size()), error, std::nullopt, 0.0, std::nullopt});
        }
        const std::string text =
            Picture([&](FileTools::OutputStream& out) { WriteTrainingPlot(out, log, "t"); });
        EXPECT_LT(text.size(), 20000u) << errors[1];
        const std::optional<std::size_t> best = BestEpoch(log);
        ASSERT_TRUE(best.has_value()) << errors[1];
        EXPECT_GT(log[*best].trainingError, 0.0) << errors[1];
        EXPECT_TRUE(std::isfinite(log[*best].trainingError)) << errors[1];
    }
}

}  // namespace
