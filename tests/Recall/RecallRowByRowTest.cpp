// Recall row by row against recall of the loaded file: errors anywhere in the recall file,
// refusals of the rows and of propagation, and failed writes are reported alike, in the same
// order of precedence, and leave the same files.
#include "Recall/RecallRowByRow.h"
#include "Zorf/TRecallEngine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FileHandler/NetworkFileText.h"
#include "NeuralNets/TGainLayer.h"
#include "Recall/RecallRuns.h"
#include "Zorf/TZorf.h"

namespace {

const std::string kParameters = "WeightFile = net.net\nRecallFile = rows.dat\n";
const std::string kSmall = TestDataFile("Recall/small.net");
const std::string kSmallOut = TestDataFile("Recall/small.out");

std::string RowsText(const std::string& header, const std::string& rows) {
    return "[DataSet] " + header + " [Data]\n" + rows + "[~Data] [~DataSet]\n";
}

// The rows whose outputs small.out holds.
const std::string kRows = "0.5 0.2\n0 0\n1 1\n0.3 0.7\n-1 2\n";
const std::string kHeader = "[Rows = 5] [Inputs = 2]";

struct TCase {
    const char* what;
    std::string network;
    std::string rows;
    // After the weight and recall file names.
    std::string parameters = "OutputFile = out.dat\n";
    std::string outputFile = "out.dat";
};

TRecallOutcome RunCase(const TCase& c) {
    TTempDir folder;
    folder.Write("net.net", c.network);
    folder.Write("rows.dat", c.rows);
    folder.Write("recall.par", kParameters + c.parameters);
    return RunBothPaths(folder, "recall.par", c.outputFile);
}

const std::vector<std::string> kInputFilesOnly = {"net.net", "recall.par", "rows.dat"};

// A file error on standard output, nothing else, no output file.
void ExpectFileError(const TCase& c, const std::string& message) {
    const TRecallOutcome outcome = RunCase(c);
    EXPECT_EQ(outcome.status, 1) << c.what;
    EXPECT_EQ(outcome.out, message + "\n") << c.what;
    EXPECT_TRUE(IsContextLine(outcome.err, message + "\n")) << c.what << outcome.err;
    EXPECT_EQ(outcome.files, kInputFilesOnly) << c.what;
}

TEST(RecallRowByRow, AnErrorLateInTheRecallFileLeavesNoOutput) {
    const struct {
        std::string rows;
        std::string message;
    } cases[] = {
        {RowsText(kHeader, "0.5 0.2\n0 0\n1 1\n0.3 0.7\n-1\n"), "Token (number) expected"},
        {RowsText(kHeader, kRows + "4 4\n"), "End Tag expected"},
        {RowsText("[Rows = 6] [Inputs = 2]", kRows), "Token (number) expected"},
        {RowsText(kHeader, "0.5 0.2\n0 0\n1 1\n0.3 0.7\n-1 two\n"), "number-expected"},
        {"[DataSet] " + kHeader + " [Data]\n" + kRows + "[~Data]\n", "Unexpected end of file"},
        {"[DataSet] " + kHeader + " [Data]\n" + kRows + "/* open",
         "Unexpected end of file during comment"},
    };
    for (const auto& c : cases) {
        ExpectFileError({"late error", kSmall, c.rows}, c.message);
    }
}

// The line on standard error names the row and the column of the file (both from 1), for a
// value that breaks the format and for one that recall refuses (nan, inf), unless the file
// breaks further down; a column the features leave out is never looked at.
TEST(RecallRowByRow, ARefusedValueIsNamedByItsRowAndColumn) {
    const std::string three = "[Rows = 5] [Inputs = 3]";
    const std::string features = "OutputFile = out.dat #Features = 2 Features = 2 0";
    const struct {
        TCase run;
        std::string out;
        std::string err;
    } cases[] = {
        {{"format", kSmall, RowsText(kHeader, "0.5 0.2\n0 0\n1 1\nzero 0.7\n-1 2\n")},
         "number-expected\n",
         "RecallZorf: rows.dat, line 5, row 4, column 1: number-expected\n"},
        {{"format at a line end", kSmall,
          RowsText(kHeader, "0.5 0.2\n0 0\n1 1\n0.3 0.7\n-1 two\n")},
         "number-expected\n",
         "RecallZorf: rows.dat, line 6, row 5, column 2: number-expected\n"},
        {{"nan", kSmall, RowsText(kHeader, "0.5 0.2\n0 0\n1 nan\n0.3 0.7\n-1 2\n")},
         "Input is not a finite number\n",
         "RecallZorf: rows.dat, row 3, column 2: Input is not a finite number\n"},
        {{"inf among features", kSmall,
          RowsText(three, "0.2 nan 0.5\n0 9 0\n1 9 1\n0.7 9 -inf\n2 9 -1\n"), features},
         "Input is not a finite number\n",
         "RecallZorf: rows.dat, row 4, column 3: Input is not a finite number\n"},
        {{"nan, then a late error", kSmall,
          RowsText(kHeader, "0.5 0.2\nnan 0\n1 1\n0.3 0.7\n-1\n")},
         "Token (number) expected\n",
         "RecallZorf: rows.dat, line 7, row 5, column 2: Token (number) expected\n"},
    };
    for (const auto& c : cases) {
        const TRecallOutcome outcome = RunCase(c.run);
        EXPECT_EQ(outcome.status, 1) << c.run.what;
        EXPECT_EQ(outcome.out, c.out) << c.run.what;
        EXPECT_EQ(outcome.err, c.err) << c.run.what;
        EXPECT_EQ(outcome.files, kInputFilesOnly) << c.run.what;
    }
}

TEST(RecallRowByRow, ColumnsBeyondTheInputsAreReadAndSkipped) {
    const std::string rows[] = {
        RowsText("[Rows = 5] [Inputs = 2] [ExpectedOutputs = Labels] [GeneratedOutputs = 2] "
                 "[Error = 1]",
                 "0.5 0.2 7 7 3 [fair]\n0 0 7 7 3 []\n1 1 7 7 3 [a=0.5 b]\n0.3 0.7 7 7 3 [c]\n"
                 "-1 2 7 7 3 [d]\n"),
        RowsText("[Rows = 5] [Inputs = 2] [ExpectedOutputs = 1] [GeneratedOutputs = Labels]",
                 "0.5 0.2 9 [x]\n0 0 9 [x]\n1 1 9 [x]\n0.3 0.7 9 [x]\n-1 2 9 [y=2]\n"),
    };
    for (const std::string& text : rows) {
        const TRecallOutcome outcome = RunCase({"other columns", kSmall, text});
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.out + outcome.err, "");
        EXPECT_EQ(outcome.output, kSmallOut);
    }
}

// Enough rows for the reading to run batches ahead of the recall: the same results, also for
// an error in the last row, a refusal of propagation and a refusal of the rows.
TEST(RecallRowByRow, RowsReadAheadGiveTheSameResults) {
    std::string many;
    for (int copy = 0; copy < 1000; ++copy) {
        many += kRows;
    }
    const std::string header = "[Rows = 5000] [Inputs = 2]";
    const std::string outOfRange = Replaced(kSmall, "1 F  /* 3 */", "3 F  /* 3 */");
    const TCase cases[] = {
        {"many rows", kSmall, RowsText(header, many)},
        {"many rows, last broken", kSmall, RowsText(header, many.substr(0, many.size() - 2))},
        {"many rows out of range", outOfRange, RowsText(header, many)},
        {"many rows, features refused", kSmall, RowsText(header, many),
         "OutputFile = out.dat #Features = 1 Features = 2"},
    };
    const int statuses[] = {0, 1, 1, 1};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(RunCase(cases[i]).status, statuses[i]) << cases[i].what;
    }
}

TEST(RecallRowByRow, NoRowsGiveAnOutputOfNoRows) {
    const TRecallOutcome outcome =
        RunCase({"no rows", kSmall, RowsText("[Rows = 0] [Inputs = 2]", "")});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_NE(outcome.output.find("[Rows = 0]"), std::string::npos);
    EXPECT_NE(outcome.output.find("[Data]\n[~Data]"), std::string::npos);
}

// Refusals of the rows come after the whole recall file has been read: an error in it wins.
TEST(RecallRowByRow, RefusalsOfTheRowsWaitForTheEndOfTheFile) {
    const std::string nullData =
        "Null data pointer\nNull Pointer Parameter\nTZorf::RecallOutputOnly\n";
    const std::string late = "0.5 0.2\n0 0\n1 1\n0.3 0.7\n-1 x2\n";
    const struct {
        std::string header;
        std::string parameters;
        std::string err;
    } refusals[] = {
        {"[Rows = 5] [GeneratedOutputs = 2]", "", nullData},
        {"[Rows = 5] [Inputs = 2]", "#Features = 1 Features = 2",
         "Invalid Input Data Column\nBad Parameter\nData::SelectFeatures\n"},
        {"[Rows = 5] [Inputs = 2]", "#Features = 3 Features = 0 1 0",
         "Data set rows deliver 3 inputs, the network takes 2\nBad Parameter\n"
         "TZorf::RecallOutputOnly\n"},
    };
    for (const auto& r : refusals) {
        const std::string parameters = "OutputFile = out.dat\n" + r.parameters;
        const TRecallOutcome refused =
            RunCase({"refusal", kSmall, RowsText(r.header, kRows), parameters});
        EXPECT_EQ(refused.status, 1) << r.err;
        EXPECT_EQ(refused.out, "") << r.err;
        EXPECT_EQ(refused.err, r.err);
        EXPECT_EQ(refused.files, kInputFilesOnly);
        ExpectFileError(
            {"refusal after a late error", kSmall, RowsText(r.header, late), parameters},
            "number-expected");
    }
}

// Rows that hold no values take no bytes: a header that claims two billion of them is read
// at once, and refused as a missing data set.
TEST(RecallRowByRow, RowsWithoutValuesTakeNoTime) {
    const TRecallOutcome outcome = RunCase(
        {"claimed rows", kSmall, TestDataFile("regressions/DataSetFile/empty-rows-claimed.dat")});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "Null data pointer\nNull Pointer Parameter\nTZorf::RecallOutputOnly\n");
}

TEST(RecallRowByRow, AMissingRecallFileIsAMissingDataSet) {
    const TRecallOutcome outcome =
        RunCase({"missing", kSmall, "", "RecallFile = none.dat OutputFile = out.dat"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err,
              "Null data pointer\nNull Pointer Parameter\nTZorf::RecallOutputOnly\n"
              "RecallZorf: none.dat: No such file or directory\n");
    EXPECT_EQ(outcome.files, kInputFilesOnly);
}

TEST(RecallRowByRow, SelectedFeaturesAreTheRowsInputs) {
    const TRecallOutcome outcome = RunCase(
        {"features", kSmall,
         RowsText("[Rows = 5] [Inputs = 3]", "0.2 9 0.5\n0 9 0\n1 9 1\n0.7 9 0.3\n2 9 -1\n"),
         "OutputFile = out.dat #Features = 2 Features = 2 0"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.output, kSmallOut);
}

// A centre outside [0, 1] lets an output leave [0, 1]: the value is shown on standard output
// and the check on standard error, unless the recall file has an error further down.
TEST(RecallRowByRow, AnOutputOutsideTheUnitRangeIsReportedAfterTheFile) {
    const std::string network = Replaced(kSmall, "1 F  /* 3 */", "3 F  /* 3 */");
    const TRecallOutcome outcome = RunCase({"range", network, RowsText(kHeader, kRows)});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "1.65209\n");
    EXPECT_EQ(outcome.err.substr(0, outcome.err.rfind(", line ")),
              "Assertion failed: (ActActivation >= 0) && (ActActivation <= 1), file "
              "Zorf/TZorfOutputLayer.cpp");
    EXPECT_EQ(outcome.files, kInputFilesOnly);
    ExpectFileError({"range after a late error", network, RowsText(kHeader, "0.5 0.2 0 0 1\n")},
                    "Token (number) expected");
}

TEST(RecallRowByRow, AnOutputThatCannotBeWrittenIsReportedAfterTheFile) {
    const std::string parameters = "OutputFile = missing/out.dat\n";
    const TRecallOutcome outcome =
        RunCase({"unwritable", kSmall, RowsText(kHeader, kRows), parameters, "missing/out.dat"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "Unable to write the data set file missing/out.dat\n");
    EXPECT_EQ(outcome.files, kInputFilesOnly);
    ExpectFileError({"unwritable after a late error", kSmall, RowsText(kHeader, "1 2 3\n"),
                     parameters, "missing/out.dat"},
                    "Token (number) expected");
}

// An output that is one of the inputs, however it is spelt (here through the link
// /proc/self/cwd), is refused before anything is read, and every input stays.
TEST(RecallRowByRow, NoInputIsEverReplacedByTheOutput) {
    const struct {
        const char* output;
        const char* role;
    } cases[] = {{"rows.dat", "recall file"},
                 {"./rows.dat", "recall file"},
                 {"/proc/self/cwd/rows.dat", "recall file"},
                 {"net.net", "network file"},
                 {"../$/recall.par", "parameter file"}};
    for (const auto& c : cases) {
        TTempDir folder;
        std::string output = c.output;
        if (output.starts_with("../$")) {
            output.replace(3, 1, folder.Path().filename().string());
        }
        const std::string rows = RowsText(kHeader, kRows);
        folder.Write("net.net", kSmall);
        folder.Write("rows.dat", rows);
        folder.Write("recall.par", kParameters + "OutputFile = " + output);
        const TRecallOutcome outcome = RunBothPaths(folder, "recall.par", "rows.dat");
        EXPECT_EQ(outcome.status, 1) << c.output;
        EXPECT_EQ(outcome.err, std::string("The output file is also the ") + c.role + "\n");
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.output, rows);
        EXPECT_EQ(outcome.files, kInputFilesOnly);
    }
}

// A plain layer at the input position warns on every row; its warnings must not come before
// an error further down the recall file, so such a network is recalled the loaded way.
TEST(RecallRowByRow, RowWarningsComeOnlyAfterTheWholeFile) {
    const std::string network = Replaced(kSmall, "[LayerType = Input]", "[LayerType = Simple]");
    const TRecallOutcome outcome = RunCase({"warnings", network, RowsText(kHeader, kRows)});
    EXPECT_EQ(outcome.status, 0);
    std::string warnings;
    for (int row = 0; row < 5; ++row) {
        warnings += "!Warning: changed input layer (TSimpleLayer)\n";
    }
    EXPECT_EQ(outcome.err, warnings);
    ExpectFileError({"warnings and a late error", network, RowsText(kHeader, "1 2 3\n")},
                    "Token (number) expected");
}

// What WarnsOnEveryRow predicts is what propagating writes.
TEST(RecallRowByRow, WarnsOnEveryRowTellsWhetherARowWritesAWarning) {
    const std::int32_t mfPerInput[] = {2, 3};
    const std::int32_t mfPerOutput[] = {2};
    const auto zorf = [&] {
        auto network = std::make_unique<TZorf>(2, mfPerInput, 3, mfPerOutput, 1);
        network->InitializeWeights(-1.0, 1.0);
        return network;
    };
    std::vector<std::unique_ptr<TZorf>> networks;
    networks.push_back(zorf());
    networks.push_back(zorf());
    networks.back()->SetInLayer(0);
    networks.push_back(zorf());
    networks.back()->SetLayer(1, new TGainLayer(networks.back().get(), 1, 2, 1.0));
    networks.back()->GetLayer(1)->SetActivationFunction(ActFunctions::Linear);
    for (const auto& network : networks) {
        const double row[] = {0.25, 0.75};
        double output[1];
        testing::internal::CaptureStderr();
        network->Propagate(row, output);
        const bool warned = !testing::internal::GetCapturedStderr().empty();
        EXPECT_EQ(WarnsOnEveryRow(*network), warned);
    }
    EXPECT_FALSE(WarnsOnEveryRow(*networks[0]));
}

}  // namespace
