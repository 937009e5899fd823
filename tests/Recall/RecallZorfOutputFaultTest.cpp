// The output file cannot be written: its folder is not writable, the disk is full, or the
// output path names a folder. The run reports it with status 1 and leaves the folder as it
// was: no partial output, no temporary file, and an earlier output file untouched.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "FileHandler/FilesIn.h"
#include "Recall/RecallZorf.h"
#include "Support/FileSizeLimit.h"
#include "Support/InProcessRun.h"
#include "Support/TempDir.h"

namespace {

const std::string kEarlier = "earlier result";

using TRunner = std::function<void()>;

struct TFault {
    std::string name;
    // Prepares the folder; returns the output path to use.
    std::function<std::string(const TTempDir&)> prepare;
    // Holds the fault in place while the program runs.
    std::function<void(const TTempDir&, const TRunner&)> during = [](const TTempDir&,
                                                                     const TRunner& run) { run(); };
};

// Everything in the folder, with each plain file's contents.
std::vector<std::string> Snapshot(const TTempDir& folder) {
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.Path())) {
        const std::string name = entry.path().lexically_relative(folder.Path()).string();
        entries.push_back(entry.is_directory() ? name + "/" : name + ": " + folder.Read(name));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::string WriteEarlierOutput(const TTempDir& folder) {
    return folder.Write("out.dat", kEarlier);
}

std::vector<TFault> Faults() {
    std::vector<TFault> faults{
        {"the output folder is a plain file",
         [](const TTempDir& folder) {
             folder.Write("folder", kEarlier);
             return folder.File("folder/out.dat");
         }},
        {"the output path is a folder",
         [](const TTempDir& folder) {
             std::filesystem::create_directory(folder.Path() / "out.dat");
             folder.Write("out.dat/inside", kEarlier);
             return folder.File("out.dat");
         }},
        {"the disk is full", WriteEarlierOutput,
         [](const TTempDir&, const TRunner& run) {
             const FileSizeLimit full(64);
             run();
         }},
    };
    // Permissions bind every user but root, for whom the cases above stand in.
    if (geteuid() != 0) {
        faults.push_back({"the output folder is not writable", WriteEarlierOutput,
                          [](const TTempDir& folder, const TRunner& run) {
                              chmod(folder.Path().c_str(), 0555);
                              run();
                              chmod(folder.Path().c_str(), 0755);
                          }});
    }
    return faults;
}

TEST(RecallZorfOutputFault, NothingIsWrittenAndTheRunFails) {
    const std::string examples = ZORF_EXAMPLES_DIR;
    for (const TFault& fault : Faults()) {
        TTempDir folder;
        TTempDir inputs;
        const std::string output = fault.prepare(folder);
        const std::string parameters = inputs.Write(
            "recall.par", "WeightFile = " + examples + "/comfort.net\nRecallFile = " + examples +
                              "/comfort.dat\nOutputFile = " + output + "\n");
        const std::vector<std::string> before = Snapshot(folder);
        TRun run{};
        fault.during(folder, [&] {
            run =
                RunInProcess([](int argc, const char* const* argv, std::ostream& out,
                                std::ostream& err) { return RunRecallZorf(argc, argv, out, err); },
                             "RecallZorf", {parameters});
        });

        EXPECT_EQ(run.status, 1) << fault.name;
        EXPECT_EQ(run.out, "Unable to write the data set file " + output + "\n") << fault.name;
        // The system's reason follows the file's name.
        EXPECT_TRUE(run.err.starts_with("RecallZorf: " + output + ": ")) << fault.name << run.err;
        EXPECT_EQ(Snapshot(folder), before) << fault.name;
        EXPECT_EQ(FilesIn(inputs), std::vector<std::string>{"recall.par"}) << fault.name;
    }
}

}  // namespace
