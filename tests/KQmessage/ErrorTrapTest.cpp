// Every kind of failure a job can raise, through the trap of each program: the run ends with
// status 1 and the report lands on the program's stream in its own words.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "FileHandler/FileErrorTrap.h"
#include "FileHandler/ParameterFile/ParameterReader.h"
#include "KQmessage/ErrorTrap.h"
#include "KQmessage/KQML.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

struct TTrapCase {
    const char* kind;
    std::function<void()> raise;
    std::string recallOut, recallErr;
    std::string makeErr;
};

struct TUnlisted {};

std::vector<TTrapCase> Cases() {
    return {
        {"TException", [] { throw TException("Bad layer", kBadParameter, "TZorf::Recall"); }, "",
         "Bad layer\nBad Parameter\nTZorf::Recall\n", "MakeZorf: Bad layer\n"},
        {"FileTools::Error", [] { throw FileTools::Error("Unknown keyword", 17); },
         "Unknown keyword\n", "", "MakeZorf: Unknown keyword\n"},
        {"TCheckFailure", [] { throw TCheckFailure("Assertion failed: x, file f, line 1"); }, "",
         "Assertion failed: x, file f, line 1\n",
         "MakeZorf: Assertion failed: x, file f, line 1\n"},
        {"TOutputRangeFailure", [] { throw TOutputRangeFailure("Assertion failed: y", "1.5"); },
         "1.5\n", "Assertion failed: y\n", "MakeZorf: Assertion failed: y\n"},
        {"std::bad_alloc", [] { throw std::bad_alloc(); }, "", "RecallZorf: out of memory\n",
         "MakeZorf: out of memory\n"},
        {"std::length_error", [] { throw std::length_error("vector"); }, "",
         "RecallZorf: out of memory\n", "MakeZorf: out of memory\n"},
        {"TParameterFileError",
         [] { throw TParameterFileError("Unable to open parameter file p"); }, "",
         "Unable to open parameter file p\n", "MakeZorf: Unable to open parameter file p\n"},
        {"std::exception", [] { throw std::runtime_error("odd"); }, "", "RecallZorf: odd\n",
         "MakeZorf: odd\n"},
        {"not an exception", [] { throw TUnlisted{}; }, "", "RecallZorf: unknown failure\n",
         "MakeZorf: unknown failure\n"},
    };
}

TEST(ErrorTrapTest, EveryFailureIsReportedOnItsStreamWithStatusOne) {
    for (const TTrapCase& c : Cases()) {
        const auto job = [&c] {
            c.raise();
            return 0;
        };
        std::ostringstream out, err;
        EXPECT_EQ(TFileErrorTrap(out, err, "RecallZorf").Run(job), 1) << c.kind;
        EXPECT_EQ(out.str(), c.recallOut) << c.kind;
        EXPECT_EQ(err.str(), c.recallErr) << c.kind;

        std::ostringstream makeOut, makeErr;
        EXPECT_EQ(TErrorTrap("MakeZorf", makeOut, makeErr).Run(job), 1) << c.kind;
        EXPECT_EQ(makeOut.str(), "") << c.kind;
        EXPECT_EQ(makeErr.str(), c.makeErr) << c.kind;
    }
}

TEST(ErrorTrapTest, AJobThatCompletesKeepsItsStatus) {
    std::ostringstream out, err;
    EXPECT_EQ(TErrorTrap("MakeZorf", out, err).Run([] { return 0; }), 0);
    EXPECT_EQ(TErrorTrap("MakeZorf", out, err).Run([] { return 3; }), 3);
    EXPECT_EQ(out.str() + err.str(), "");
}

}  // namespace
