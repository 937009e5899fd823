// The program's job: the shipped example's rules in words, rows explained down to the output
// RecallZorf writes for them, and what it refuses (a reason, status 1, nothing written out).
#include "Explain/ExplainZorf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "FileHandler/NetworkFile/NetworkFileWriter.h"
#include "FileHandler/NetworkFileText.h"
#include "KQmessage/NumberText.h"
#include "Recall/RecallZorf.h"
#include "Support/InProcessRun.h"
#include "Support/TempDir.h"
#include "Zorf/MakeZorf.h"

namespace {

const std::string kExamples = ZORF_EXAMPLES_DIR;
const std::string kNet = kExamples + "/comfort.net";
const std::string kData = kExamples + "/comfort.dat";

TRun Explain(const std::vector<std::string>& arguments) {
    return RunInProcess(RunExplainZorf, "ExplainZorf", arguments);
}

// The example's five rules as its file's comment names them: comfortable (mild and normal),
// too cold, too hot, too humid, and the threshold the others work against.
TEST(ExplainZorf, SaysTheExamplesRulesInWords) {
    const TRun run = Explain({"rules", kNet});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(
        run.out,
        "Inputs, each function named by the order of its centre:\n"
        "  input 0: low at 0, medium at 0.5, high at 1\n"
        "  input 1: low at 0, medium at 0.4, high at 1\n"
        "Outputs:\n"
        "  output 0: low at 0, medium at 0.5, high at 1\n"
        "Rules (5), each condition and action with its share, those below 0.1 left out:\n"
        "  rule 1: IF input 0 is low (1.00) THEN output 0 is low (0.67) AND output 0 is not "
        "medium (0.33) [4 arcs pruned]\n"
        "  rule 0: IF input 0 is medium (0.50) AND input 1 is medium (0.50) THEN output 0 is "
        "high (0.57) AND output 0 is not medium (0.43) [1 arc pruned]\n"
        "  rule 2: IF input 0 is high (1.00) THEN output 0 is low (0.67) AND output 0 is not "
        "medium (0.33) [4 arcs pruned]\n"
        "  rule 3: IF input 1 is high (1.00) THEN output 0 is low (0.67) AND output 0 is not "
        "medium (0.33) [4 arcs pruned]\n"
        "  rule 4: always fires (1.00) THEN output 0 is medium (0.20) AND output 0 is not low "
        "(0.40) AND output 0 is not high (0.40)\n");
}

std::string Written(double value) {
    std::array<char, NumberText::kGeneralTextSize> text{};
    return std::string(NumberText::FormatGeneral(text, value, 17));
}

// A data set file of rows of inputs, one a line.
std::string DataSetText(std::size_t inputs, const std::string& rows) {
    const auto count = std::count(rows.begin(), rows.end(), '\n');
    return "[FormatVersion = 1.0]\n[DataSet]\n[Rows = " + std::to_string(count) +
           "]\n[Inputs = " + std::to_string(inputs) +
           "]\n[ExpectedOutputs = 0]\n[GeneratedOutputs = 0]\n[Error = 0]\n[Data]\n" + rows +
           "[~Data]\n[~DataSet]\n";
}

// The numbers of an output data set file's rows, one row a line.
std::vector<std::string> RecalledRows(const std::string& file) {
    std::istringstream in(file);
    std::vector<std::string> rows;
    std::string line;
    bool inData = false;
    while (std::getline(in, line)) {
        if (line == "[~Data]") {
            break;
        }
        if (inData) {
            std::istringstream numbers(line);
            std::string number;
            std::string row;
            while (numbers >> number) {
                row += (row.empty() ? "" : " ") + number;
            }
            rows.push_back(row);
        }
        inData = inData || line == "[Data]";
    }
    return rows;
}

// What an explanation ends with: each output as it is written, after " = ".
std::string ExplainedOutputs(const std::string& text) {
    std::istringstream in(text.substr(text.find("\nOutputs, ") + 1));
    std::string line;
    std::string outputs;
    std::getline(in, line);
    while (std::getline(in, line)) {
        outputs += (outputs.empty() ? "" : " ") + line.substr(line.rfind(" = ") + 3);
    }
    return outputs;
}

// Random networks and rows of a data set file: every row's explanation ends with the outputs
// RecallZorf writes for it.
TEST(ExplainZorf, EndsWithTheOutputsRecallZorfWrites) {
    TTempDir folder;
    std::mt19937 engine(3);
    std::uniform_real_distribution<double> value(-0.2, 1.2);
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(seed);
        const std::vector<std::int32_t> inputs(seed % 3 + 1, 2 + static_cast<std::int32_t>(seed));
        const std::unique_ptr<TZorf> network =
            MakeZorf({inputs, 12, {3, 4}, seed, -3.0, 3.0, seed % 2 * 0.4});
        FileTools::SaveNetwork(folder.File("net"), *network);
        std::string rows;
        for (int r = 0; r < 6; ++r) {
            for (std::size_t i = 0; i < inputs.size(); ++i) {
                rows += Written(value(engine)) + " ";
            }
            rows += "\n";
        }
        folder.Write("rows.dat", DataSetText(inputs.size(), rows));
        folder.Write("recall.par", "WeightFile = " + folder.File("net") +
                                       "\nRecallFile = " + folder.File("rows.dat") +
                                       "\nOutputFile = " + folder.File("out") + "\n");
        ASSERT_EQ(RunInProcess(RunRecallZorf, "RecallZorf", {folder.File("recall.par")}).status, 0);
        const std::vector<std::string> recalled = RecalledRows(folder.Read("out"));
        ASSERT_EQ(recalled.size(), 6u);
        for (int r = 1; r <= 6; ++r) {
            const TRun run = Explain({"row", folder.File("net"), "--data", folder.File("rows.dat"),
                                      "--row", std::to_string(r)});
            ASSERT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(ExplainedOutputs(run.out), recalled[static_cast<std::size_t>(r - 1)]) << r;
        }
    }
}

TEST(ExplainZorf, RefusesBadInputWithAReason) {
    TTempDir folder;
    const std::string basic = folder.Write("basic.net", BasicNetworkText());
    const std::unique_ptr<TZorf> wide = MakeZorf({{3, 3}, 4, {3}, 7});
    wide->ConnectLayers(TZorf::kInputLayer, TZorf::kRuleLayer);
    const std::string odd = folder.File("odd.net");
    FileTools::SaveNetwork(odd, *wide);
    const std::string nan = folder.Write("nan.dat", DataSetText(2, "0.5 nan\n"));
    const std::string three = folder.Write("three.dat", DataSetText(3, "0.5 0.5 0.5\n"));
    const std::string word = folder.Write("word.dat", DataSetText(2, "0.5 warm\n"));
    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {{}, "name an explanation: rules or row (see ExplainZorf --help)"},
        {{"rules"}, "name the network file (see ExplainZorf --help)"},
        {{"rules", kNet, "--row", "1"},
         "the rules explanation has no option --row (see ExplainZorf --help)"},
        {{"rules", kNet, "--threshold", "1.5"}, "--threshold must be a number from 0 to 1"},
        {{"rules", basic}, basic + ": Not a Zorf network: Basic"},
        {{"rules", odd}, odd + ": Not a fuzzy network of the standard shape"},
        {{"row", kNet}, "give the row as --values V,V,... or as --data FILE --row N"},
        {{"row", kNet, "--values", "0.5"}, "--values: 1 value, " + kNet + " takes 2 inputs"},
        {{"row", kNet, "--values", "0.5,0.5,1"}, "--values: 3 values, " + kNet + " takes 2"},
        {{"row", kNet, "--values", "0.5,warm"}, "--values: \"warm\" is not a number"},
        {{"row", kNet, "--values", "0.5,inf"}, "--values: \"inf\" is not a finite number"},
        {{"row", kNet, "--data", kData, "--row", "9"},
         "--row: row 9 is not one of " + kData + " (it has 8 rows, counted from 1)"},
        {{"row", kNet, "--data", kData, "--row", "x"}, "--row must be a row number from 1"},
        {{"row", kNet, "--data", nan, "--row", "1"},
         nan + ", row 1, column 2: Input is not a finite number"},
        {{"row", kNet, "--data", three, "--row", "1"},
         three + ": the row holds 3 values, " + kNet + " takes 2 inputs"},
        {{"row", kNet, "--data", word, "--row", "1"},
         word + ", line 9, row 1, column 2: number-expected"},
    };
    for (const auto& c : cases) {
        const TRun run = Explain(c.arguments);
        EXPECT_EQ(run.status, 1) << c.err;
        EXPECT_TRUE(run.err.starts_with("ExplainZorf: " + c.err)) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

// An explanation that could not be written is a failure, not a success with nothing shown.
TEST(ExplainZorf, AFailedWriteIsAFailure) {
    TTempDir folder;
    const std::string command =
        std::string(ZORF_EXPLAIN_BINARY) + " rules " + kNet + " >/dev/full 2>" + folder.File("err");
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_EQ(folder.Read("err"), "ExplainZorf: the explanation could not be written\n");
}

}  // namespace
