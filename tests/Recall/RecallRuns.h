// The recall job run in-process along a chosen path, in a folder of files, with everything a
// run shows: its status, what it wrote on both streams (including what the library writes to
// standard output and standard error itself), the output file and the files left in the
// folder. The folder is put back
// as it was after each run, so that runs along both paths start alike.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "FileHandler/FilesIn.h"
#include "Recall/RecallZorf.h"
#include "Support/TempDir.h"

struct TRecallOutcome {
    int status = 0;
    std::string out;
    std::string err;
    // The output file's bytes; empty when there is none.
    std::string output;
    std::vector<std::string> files;

    bool operator==(const TRecallOutcome&) const = default;
};

inline void PrintTo(const TRecallOutcome& outcome, std::ostream* os) {
    *os << "status " << outcome.status << ", out \"" << outcome.out << "\", err \"" << outcome.err
        << "\", " << outcome.output.size() << " output bytes, files";
    for (const std::string& name : outcome.files) {
        *os << " " << name;
    }
}

// The line a file error adds on standard error: "RecallZorf: <file>[, line <n>]: <report>",
// the report being the last line standard output shows.
inline bool IsContextLine(const std::string& err, const std::string& out) {
    const std::size_t lastLine = out.rfind('\n', out.size() >= 2 ? out.size() - 2 : 0);
    const std::string report = lastLine == std::string::npos ? out : out.substr(lastLine + 1);
    return err.starts_with("RecallZorf: ") && err.ends_with(": " + report) &&
           err.find('\n') == err.size() - 1;
}

// Runs with `folder` as the working folder; the parameter file and the output file are named
// relative to it.
inline TRecallOutcome RunInFolder(const TTempDir& folder, const std::string& parameterFile,
                                  const std::string& outputFile, TRecallPath path) {
    std::map<std::string, std::string> before;
    for (const std::string& name : FilesIn(folder)) {
        before[name] = folder.Read(name);
    }
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    const char* argv[] = {"RecallZorf", parameterFile.c_str()};
    std::ostringstream out;
    std::ostringstream err;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    TRecallOutcome outcome;
    outcome.status = RunRecallZorfAlong(2, argv, out, err, path);
    const std::string writtenErr = testing::internal::GetCapturedStderr();
    const std::string writtenOut = testing::internal::GetCapturedStdout();
    std::filesystem::current_path(home);
    outcome.out = writtenOut + out.str();
    outcome.err = writtenErr + err.str();
    outcome.output = folder.Read(outputFile);
    outcome.files = FilesIn(folder);
    for (const std::string& name : outcome.files) {
        std::filesystem::remove(folder.Path() / name);
    }
    for (const auto& [name, text] : before) {
        folder.Write(name, text);
    }
    return outcome;
}

// Runs the program's way (row by row, for any network that writes no warnings) and loaded,
// expects the same outcome of both and returns it.
inline TRecallOutcome RunBothPaths(const TTempDir& folder, const std::string& parameterFile,
                                   const std::string& outputFile) {
    const TRecallOutcome loaded =
        RunInFolder(folder, parameterFile, outputFile, TRecallPath::Loaded);
    const TRecallOutcome automatic =
        RunInFolder(folder, parameterFile, outputFile, TRecallPath::Automatic);
    EXPECT_EQ(automatic, loaded) << parameterFile;
    return automatic;
}
