// Every program answers --version with the one version of the package and --help with its
// usage, on standard output with status 0; the programs whose one argument is a parameter
// file take either only as that one argument.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Explain/ExplainZorf.h"
#include "Make/MakeZorfProgram.h"
#include "Plot/PlotZorf.h"
#include "Recall/RecallZorf.h"
#include "Support/InProcessRun.h"
#include "Train/TrainZorf.h"
#include "Zorf/MakeZorf.h"
#include "zorf/Version.h"

namespace {

using TJob = int (*)(int, const char* const*, std::ostream&, std::ostream&);

struct TProgram {
    const char* name;
    TJob job;
    bool onlyArgument;
};

const std::vector<TProgram> kPrograms = {{"RecallZorf", RunRecallZorf, true},
                                         {"MakeZorf", RunMakeZorf, false},
                                         {"TrainZorf", RunTrainZorf, true},
                                         {"PlotZorf", RunPlotZorf, false},
                                         {"ExplainZorf", RunExplainZorf, false}};

TEST(Programs, AnswerVersionAndHelp) {
    for (const TProgram& program : kPrograms) {
        SCOPED_TRACE(program.name);
        const TRun version = RunInProcess(program.job, program.name, {"--version"});
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, std::string(program.name) + " (zorf) " ZORF_VERSION "\n");
        EXPECT_EQ(version.err, "");
        const TRun help = RunInProcess(program.job, program.name, {"--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind(std::string("Usage: ") + program.name + " ", 0), 0U);
        EXPECT_NE(help.out.find("--version"), std::string::npos);
        EXPECT_EQ(help.err, "");
        // Beside another argument: a second parameter file name for the one kind, still the
        // version for the other.
        const TRun beside = RunInProcess(program.job, program.name, {"--version", "x"});
        EXPECT_EQ(beside.status, program.onlyArgument ? 1 : 0);
        EXPECT_EQ(beside.out.empty(), program.onlyArgument);
    }
}

}  // namespace
