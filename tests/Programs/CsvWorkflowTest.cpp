// From a CSV file to answers in the user's own terms, through the programs as a user runs
// them: MakeZorf --data, TrainZorf and RecallZorf, with class names and with units.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "Explain/ExplainZorf.h"
#include "Make/MakeZorfProgram.h"
#include "Plot/PlotZorf.h"
#include "Recall/RecallZorf.h"
#include "Support/InProcessRun.h"
#include "Support/TempDir.h"
#include "Train/TrainZorf.h"

namespace {

std::vector<std::vector<std::string>> CsvLines(const std::string& text) {
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream fieldsIn(line);
        for (std::string field; std::getline(fieldsIn, field, ',');) {
            fields.push_back(field);
        }
        lines.push_back(fields);
    }
    return lines;
}

void RunOk(int (*job)(int, const char* const*, std::ostream&, std::ostream&), const char* name,
           const std::vector<std::string>& arguments) {
    const TRun run = RunInProcess(job, name, arguments);
    ASSERT_EQ(run.status, 0) << name << ": " << run.out << run.err;
}

TEST(CsvWorkflow, ClassesByNameFromTheShippedWineExample) {
    const TTempDir dir;
    const std::string examples = ZORF_EXAMPLES_DIR;
    RunOk(RunMakeZorf, "MakeZorf",
          {"--data", examples + "/wine-train.csv", "--targets", "cultivar", "--seed", "7",
           dir.File("wine.net")});
    // The network knows its target column: the parameter file need not name it.
    RunOk(RunTrainZorf, "TrainZorf",
          {dir.Write("train.par", "WeightFile = " + dir.File("wine.net") + "\nTrainFile = " +
                                      examples + "/wine-train.csv\nOutputWeightFile = " +
                                      dir.File("trained.net") + "\nEpochs = 30\n")});
    // Columns are matched by name, so their order in the recall file does not matter.
    std::ifstream testFile(examples + "/wine-test.csv");
    const std::vector<std::vector<std::string>> test =
        CsvLines(std::string(std::istreambuf_iterator<char>(testFile), {}));
    std::string shuffled;
    for (const std::vector<std::string>& fields : test) {
        shuffled += fields[6] + "," + fields[5] + "," + fields[0] + "," + fields[4] + "," +
                    fields[3] + "," + fields[2] + "," + fields[1] + "\n";
    }
    const std::string recall =
        "WeightFile = " + dir.File("trained.net") + "\nCopyColumns = id\nOutputFile = ";
    RunOk(RunRecallZorf, "RecallZorf",
          {dir.Write("a.par", recall + dir.File("a.csv") + "\nRecallFile = " + examples +
                                  "/wine-test.csv\n")});
    RunOk(RunRecallZorf, "RecallZorf",
          {dir.Write("b.par", recall + dir.File("b.csv") +
                                  "\nRecallFile = " + dir.Write("s.csv", shuffled))});
    const std::string answers = dir.Read("a.csv");
    EXPECT_EQ(answers, dir.Read("b.csv"));
    const std::vector<std::vector<std::string>> lines = CsvLines(answers);
    ASSERT_EQ(lines.size(), test.size());
    EXPECT_EQ(lines[0], (std::vector<std::string>{"id", "cultivar=barbera", "cultivar=barolo",
                                                  "cultivar=grignolino", "cultivar"}));
    std::size_t right = 0;
    for (std::size_t row = 1; row < lines.size(); ++row) {
        EXPECT_EQ(lines[row][0], test[row][0]);
        right += lines[row][4] == test[row][6] ? 1 : 0;
    }
    EXPECT_GE(right, (lines.size() - 1) * 9 / 10);
    // Plots title their axes with the recorded names, and take a CSV file's columns by name.
    RunOk(RunPlotZorf, "PlotZorf",
          {"membership", dir.File("trained.net"), dir.File("m.svg"), "--data", dir.File("s.csv")});
    const std::string svg = dir.Read("m.svg");
    EXPECT_NE(svg.find(">input 4: hue<"), std::string::npos);
    EXPECT_NE(svg.find(">output 2: cultivar=grignolino<"), std::string::npos);
    // So do the rules in words.
    const TRun rules =
        RunInProcess(RunExplainZorf, "ExplainZorf", {"rules", dir.File("trained.net")});
    EXPECT_NE(rules.out.find("\n  alcohol: low at "), std::string::npos) << rules.out;
    EXPECT_NE(rules.out.find("\n  cultivar=barolo: low at "), std::string::npos) << rules.out;
}

// A target in its own units: the outputs are the network's [0, 1] outputs mapped onto the
// recorded range, as a recall of the same network without its description shows.
TEST(CsvWorkflow, RegressionAnswersInTheTargetsUnits) {
    const TTempDir dir;
    std::string rows = "x,price\n";
    for (int i = 0; i <= 40; ++i) {
        const double x = i / 4.0;
        rows += std::to_string(x) + "," + std::to_string(100.0 + 20.0 * x) + "\n";
    }
    const std::string csv = dir.Write("prices.csv", rows);
    RunOk(RunMakeZorf, "MakeZorf",
          {"--inputs", "3", "--rules", "4", "--outputs", "2", "--ranges", "0:10",
           dir.File("spread.net")});
    // --ranges spreads the centres over the range and records it: the name comes with training.
    EXPECT_TRUE(dir.Read("spread.net").starts_with("/* ZorfData\ninput \"\" range 0 10\n*/\n"));
    RunOk(RunTrainZorf, "TrainZorf",
          {dir.Write("spread.par", "WeightFile = " + dir.File("spread.net") + "\nTrainFile = " +
                                       csv + "\nTargetColumns = price\nOutputWeightFile = " +
                                       dir.File("spread-trained.net") + "\nEpochs = 1\n")});
    RunOk(RunMakeZorf, "MakeZorf",
          {"--data", csv, "--targets", "price", "--rules", "6", dir.File("start.net")});
    RunOk(RunTrainZorf, "TrainZorf",
          {dir.Write("train.par", "WeightFile = " + dir.File("start.net") + "\nTrainFile = " + csv +
                                      "\nOutputWeightFile = " + dir.File("trained.net") +
                                      "\nEpochs = 200\n")});
    const std::string described =
        "/* ZorfData\ninput \"x\" range 0 10\noutput \"price\" range 100 300\n*/\n";
    EXPECT_TRUE(dir.Read("spread-trained.net").starts_with(described));
    const std::string trained = dir.Read("trained.net");
    ASSERT_TRUE(trained.starts_with(described)) << trained.substr(0, 200);
    dir.Write("bare.net", trained.substr(trained.find("*/\n") + 3));
    const std::string recall = "\nTargetColumns = price\nRecallFile = " + csv + "\nOutputFile = ";
    RunOk(RunRecallZorf, "RecallZorf",
          {dir.Write("a.par",
                     "WeightFile = " + dir.File("trained.net") + recall + dir.File("units.csv"))});
    RunOk(RunRecallZorf, "RecallZorf",
          {dir.Write("b.par",
                     "WeightFile = " + dir.File("bare.net") + recall + dir.File("bare.csv"))});
    const std::vector<std::vector<std::string>> units = CsvLines(dir.Read("units.csv"));
    const std::vector<std::vector<std::string>> bare = CsvLines(dir.Read("bare.csv"));
    ASSERT_EQ(units.size(), 42U);
    EXPECT_EQ(units[0], std::vector<std::string>{"price"});
    EXPECT_EQ(bare[0], std::vector<std::string>{"output1"});
    double worst = 0.0;
    for (std::size_t row = 1; row < units.size(); ++row) {
        const double inUnits = std::stod(units[row][0]);
        EXPECT_NEAR(inUnits, 100.0 + std::stod(bare[row][0]) * 200.0, 1e-9);
        worst = std::max(worst,
                         std::abs(inUnits - (100.0 + 20.0 * static_cast<double>(row - 1) / 4.0)));
    }
    EXPECT_LT(worst, 20.0);
}

TEST(CsvWorkflow, ABrokenCsvIsRefusedByPlaceAndNothingIsWritten) {
    const TTempDir dir;
    RunOk(RunMakeZorf, "MakeZorf",
          {"--inputs", "2x2", "--rules", "2", "--outputs", "2", dir.File("start.net")});
    const TRun run = RunInProcess(
        RunTrainZorf, "TrainZorf",
        {dir.Write("train.par",
                   "WeightFile = " + dir.File("start.net") +
                       "\nTrainFile = " + dir.Write("t.csv", "a,b,c\n1,2,0\n1,x,1\n") +
                       "\nTargetColumns = c\nOutputWeightFile = " + dir.File("out.net") + "\n")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE((run.out + run.err)
                  .find(dir.File("t.csv") + ", line 3, column 2: \"x\" is not a number, in input "
                                            "column \"b\""),
              std::string::npos)
        << run.out << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.net")));
    // Recall row by row refuses a header without rows as loading does.
    const TRun recall =
        RunInProcess(RunRecallZorf, "RecallZorf",
                     {dir.Write("recall.par", "WeightFile = " + dir.File("start.net") +
                                                  "\nRecallFile = " + dir.Write("h.csv", "a,b\n") +
                                                  "\nOutputFile = " + dir.File("h.out") + "\n")});
    EXPECT_EQ(recall.status, 1);
    EXPECT_NE(recall.err.find("h.csv, line 2: the file holds a header but no rows"),
              std::string::npos)
        << recall.out << recall.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("h.out")));
}

}  // namespace
