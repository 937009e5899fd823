#include "Recall/RecallZorf.h"

#include <gtest/gtest.h>

#include <vector>

#include "Support/InProcessRun.h"
#include "Support/TempDir.h"

namespace {

TRun RunAlong(const std::vector<std::string>& arguments, TRecallPath path) {
    const auto job = [path](int argc, const char* const* argv, std::ostream& out,
                            std::ostream& err) {
        return RunRecallZorfAlong(argc, argv, out, err, path);
    };
    return RunInProcess(job, "RecallZorf", arguments);
}

// The program's run, which reports what recall the loaded way reports.
TRun RunDriver(const std::vector<std::string>& arguments) {
    const TRun loaded = RunAlong(arguments, TRecallPath::Loaded);
    const TRun run = RunAlong(arguments, TRecallPath::Automatic);
    EXPECT_EQ(run.status, loaded.status);
    EXPECT_EQ(run.out, loaded.out);
    EXPECT_EQ(run.err, loaded.err);
    return run;
}

TEST(RecallZorf, ReportsSetupErrorsOnStandardError) {
    TTempDir dir;
    const std::string onlyRecall = dir.Write("only-recall", "RecallFile = r.dat");
    const std::string onlyWeights = dir.Write("only-weights", "WeightFile = w.net");
    const std::string missing = dir.File("missing.par");
    const std::string glued = dir.Write("glued", "WeightFile=w.net");
    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {{}, "Usage: RecallZorf parameter.file\n"},
        {{"a", "b"}, "Usage: RecallZorf parameter.file\n"},
        {{missing}, "Unable to open parameter file " + missing + "\n"},
        {{dir.Path().string()}, "Unable to open parameter file " + dir.Path().string() + "\n"},
        {{onlyRecall}, "No weight file specified\n"},
        {{onlyWeights}, "No data file specified\n"},
        {{glued},
         "Parameter file " + glued +
             ": WeightFile=w.net is one word and is skipped; "
             "write WeightFile = <value> with blanks around the =\nNo weight file specified\n"},
        {{"/dev/zero"}, "Parameter file /dev/zero: longer than 16777216 bytes\n"},
    };
    for (const auto& c : cases) {
        const TRun run = RunDriver(c.arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
    }
}

TEST(RecallZorf, MissingNetworkFileIsAFileErrorOnStandardOutput) {
    TTempDir dir;
    const std::string parameters =
        dir.Write("p.par", "WeightFile = " + dir.File("none.net") + " RecallFile = r.dat");
    const TRun run = RunDriver({parameters});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Error on File Open\n");
    // A folder is no network file either (its size once overflowed the network size limit).
    const std::string folder =
        dir.Write("f.par", "WeightFile = " + dir.Path().string() + " RecallFile = r.dat");
    EXPECT_EQ(RunDriver({folder}).out, "Error on File Open\n");
}

}  // namespace

namespace {

constexpr const char* kTwoInputRows =
    "[DataSet] [Rows = 1] [Inputs = 2] [Data] 0.5 0.25 [~Data] [~DataSet]";

TEST(RecallZorf, RecallFileErrorsAreReportedOnTheirStreams) {
    TTempDir dir;
    const std::string network = std::string(ZORF_EXAMPLES_DIR) + "/comfort.net";
    const std::string rows = dir.Write("rows.dat", kTwoInputRows);
    const std::string broken =
        dir.Write("broken.dat", "[DataSet] [Rows = 1] [Inputs = 2] [Data] 1");
    const struct {
        std::string parameters;
        std::string out;
        std::string err;
    } cases[] = {
        {"RecallFile = " + broken, "Unexpected end of file\n",
         "RecallZorf: " + broken + ", line 1, row 1, column 2: Unexpected end of file\n"},
        {"RecallFile = " + rows + " #Features = 1 Features = 2", "",
         "Invalid Input Data Column\nBad Parameter\nData::SelectFeatures\n"},
    };
    for (const auto& c : cases) {
        const std::string parameterFile =
            dir.Write("p.par", "WeightFile = " + network + " OutputFile = " + dir.File("out.dat") +
                                   " " + c.parameters);
        const TRun run = RunDriver({parameterFile});
        EXPECT_EQ(run.status, 1) << c.parameters;
        EXPECT_EQ(run.out, c.out) << c.parameters;
        EXPECT_EQ(run.err, c.err) << c.parameters;
        EXPECT_FALSE(dir.Exists("out.dat"));
    }
}

}  // namespace
