// The program's job: what it refuses (with a reason, status 1 and no picture) and the
// pictures of the shipped example, drawn by the real program and rendered where
// rsvg-convert is installed.
#include "Plot/PlotZorf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "FileHandler/FilesIn.h"
#include "FileHandler/NetworkFile/NetworkFileWriter.h"
#include "FileHandler/NetworkFileText.h"
#include "FileHandler/TrainingLog/TrainingLog.h"
#include "Plot/SvgDocument.h"
#include "Support/InProcessRun.h"
#include "Zorf/MakeZorf.h"

namespace {

const std::string kExamples = ZORF_EXAMPLES_DIR;
const std::string kNet = kExamples + "/comfort.net";

TRun RunTool(const std::vector<std::string>& arguments) {
    return RunInProcess(RunPlotZorf, "PlotZorf", arguments);
}

TEST(PlotZorf, RefusesBadInputWithAReasonAndWritesNothing) {
    TTempDir folder;
    const std::string basic = folder.Write("basic.net", BasicNetworkText());
    const std::string notLog = folder.Write("not.log", "epoch error\n1 2\n");
    const std::string wide = folder.Write(
        "wide.dat",
        "[FormatVersion = 1.0]\n[DataSet]\n[Rows = 1]\n[Inputs = 3]\n[ExpectedOutputs = 0]\n"
        "[GeneratedOutputs = 0]\n[Error = 0]\n[Data]\n0.1 0.2 0.3\n[~Data]\n[~DataSet]\n");
    const TZorfRecipe recipe{{2, 2, 2}, 2, {2}};
    const std::string three = folder.File("three.net");
    FileTools::SaveNetwork(three, *MakeZorf(recipe));
    const std::string missing = folder.File("missing.net");
    const std::string svg = folder.File("out.svg");
    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {{}, "name a plot: membership, rules, surface, training or row (see PlotZorf --help)"},
        {{"heatmap", kNet, svg},
         "unknown plot \"heatmap\": name membership, rules, surface, training or row (see "
         "PlotZorf --help)"},
        {{"rules", kNet}, "name the network file and the SVG file to write (see PlotZorf --help)"},
        {{"rules", kNet, svg, "--data", "x.dat"},
         "the rules plot has no option --data (see PlotZorf --help)"},
        {{"membership", missing, svg}, missing + ": Error on File Open"},
        {{"membership", basic, svg}, basic + ": Not a Zorf network: Basic"},
        {{"membership", kNet, svg, "--data", missing},
         missing + ": Unable to open the data set file"},
        {{"surface", kNet, svg}, "--inputs is required for the surface plot (see PlotZorf --help)"},
        {{"surface", kNet, svg, "--inputs", "0,2"},
         "--inputs: input 2 is not one of " + kNet + " (it has 2 inputs, numbered from 0)"},
        {{"surface", kNet, svg, "--inputs", "0"}, "--inputs must name two inputs I,J, not \"0\""},
        {{"surface", kNet, svg, "--inputs", "-1,0"},
         "--inputs: \"-1\" is not an input number (0, 1, ...)"},
        {{"surface", three, svg, "--inputs", "0,1", "--fix", "2=0.3,2=0.7"},
         "--fix: input 2 is fixed twice"},
        {{"membership", kNet, svg, "--data", wide},
         wide + ": the data set has 3 inputs, the network 2"},
        {{"rules", kNet, folder.File("no/such/folder/out.svg")},
         folder.File("no/such/folder/out.svg") + ": the picture could not be written: "},
        {{"surface", kNet, svg, "--inputs", "1,1"}, "--inputs must name two different inputs"},
        {{"surface", kNet, svg, "--inputs", "0,1", "--output", "1"},
         "--output: output 1 is not one of " + kNet + " (it has 1 output, numbered from 0)"},
        {{"surface", kNet, svg, "--inputs", "0,1", "--fix", "1=0.5"},
         "--fix: input 1 is plotted, not fixed"},
        {{"surface", kNet, svg, "--inputs", "0,1", "--fix", "2=x"},
         "--fix must list INPUT=VALUE, not \"2=x\""},
        {{"training", missing, svg}, "Error on File Open: " + missing},
        {{"training", notLog, svg}, "Not a training log: " + notLog + ", line 1: "},
        {{"membership", basic, basic}, "The output file is also the network file"},
        {{"membership", kNet, notLog, "--data", notLog}, "The output file is also the data file"},
        {{"training", notLog, notLog}, "The output file is also the training log"},
        {{"row", kNet, svg, "--values", "0.5"}, "--values: 1 value, " + kNet + " takes 2 inputs"},
        {{"row", kNet, notLog, "--data", notLog, "--row", "1"},
         "The output file is also the data file"},
    };
    for (const auto& c : cases) {
        const TRun run = RunTool(c.arguments);
        EXPECT_EQ(run.status, 1) << c.err;
        EXPECT_TRUE(run.err.starts_with("PlotZorf: " + c.err)) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(FilesIn(folder),
                  (std::vector<std::string>{"basic.net", "not.log", "three.net", "wide.dat"}))
            << c.err;
    }
}

// The example's pictures as the README makes them: well-formed, with the panels and cells
// the network has, and (where rsvg-convert is installed) an image that is not blank: far
// larger as PNG than an empty picture of the same size.
TEST(PlotZorf, DrawsTheExampleAndItRenders) {
    TTempDir folder;
    const std::string program = ZORF_PLOT_BINARY;
    const struct {
        std::string arguments;
        std::string element;
        std::string cssClass;
        std::size_t count;
    } plots[] = {
        {"membership " + kNet + " m.svg --data " + kExamples + "/comfort.dat", "g", "panel", 3},
        {"rules " + kNet + " r.svg", "g", "cells", 2},
        {"surface " + kNet + " s.svg --inputs 0,1 --output 0", "path", "level", 0},
        {"training run.log t.svg", "polyline", "curve", 2},
        {"row " + kNet + " w.svg --data " + kExamples + "/comfort.dat --row 4", "rect", "bar", 5},
    };
    const bool render = std::system("command -v rsvg-convert >/dev/null 2>&1") == 0;
    folder.Write("blank.svg",
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"780\" height=\"729\">"
                 "<rect width=\"780\" height=\"729\" fill=\"#fff\"/></svg>");
    const std::vector<TEpochRecord> log = {
        {0, 0.3, 0.31, 0, {}}, {1, 0.1, 0.2, 0.1, {}}, {2, 0.05, 0.22, 0.2, {}}};
    TrainingLog::Write(folder.File("run.log"), log);
    const std::string in = "cd " + folder.Path().string() + " && ";
    ASSERT_EQ(std::system((in + "rsvg-convert blank.svg -o blank.png 2>/dev/null || true").c_str()),
              0);
    for (const auto& plot : plots) {
        ASSERT_EQ(std::system((in + program + " " + plot.arguments).c_str()), 0) << plot.arguments;
        const std::string name =
            plot.arguments.substr(plot.arguments.find(' ', plot.arguments.find(' ') + 1) + 1, 5);
        const TSvgDocument svg(folder.Read(name));
        const std::size_t found = svg.All(plot.element, plot.cssClass).size();
        if (plot.count > 0) {
            EXPECT_EQ(found, plot.count) << name;
        } else {
            EXPECT_GT(found, 1u) << name;
        }
        if (render) {
            ASSERT_EQ(std::system((in + "rsvg-convert " + name + " -o " + name + ".png").c_str()),
                      0);
            EXPECT_GT(std::filesystem::file_size(folder.File(name + ".png")),
                      5 * std::filesystem::file_size(folder.File("blank.png")))
                << name;
        }
    }
}

}  // namespace
