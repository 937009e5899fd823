// The RecallZorf program under the limits and signals of the system: an interrupted run, a
// file size limit and a memory limit leave no temporary file and end as they should.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "FileHandler/FilesIn.h"
#include "FileHandler/NetworkFileText.h"
#include "Support/TempDir.h"

namespace {

const std::string kParameters =
    "WeightFile = net.net\nRecallFile = rows.dat\nOutputFile = out.dat\n";

struct TShellRun {
    int status;  // the exit status, or 128 + the signal that ended the program
    std::string out;
};

// Runs the program in `folder` after the shell commands `limits` (ulimit ...).
TShellRun RunLimited(const TTempDir& folder, const std::string& limits) {
    const std::string command = "cd '" + folder.Path().string() + "' && " + limits + " && '" +
                                ZORF_RECALL_BINARY "' recall.par >stdout.txt 2>/dev/null";
    const int raw = std::system(("sh -c \"" + command + "\"").c_str());
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    TShellRun run{status, folder.Read("stdout.txt")};
    std::filesystem::remove(folder.File("stdout.txt"));
    return run;
}

std::string ManyRows(int rows) {
    std::string text = "[DataSet] [Rows = " + std::to_string(rows) + "] [Inputs = 2] [Data]\n";
    for (int i = 0; i < rows; ++i) {
        text += "0.5 0.25\n";
    }
    return text + "[~Data] [~DataSet]\n";
}

void WriteInputs(const TTempDir& folder, const std::string& rows) {
    folder.Write("net.net", TestDataFile("Recall/small.net"));
    folder.Write("recall.par", kParameters);
    folder.Write("rows.dat", rows);
}

const std::vector<std::string> kInputs = {"net.net", "recall.par", "rows.dat"};

// A write beyond the file size limit fails like any other instead of killing the program.
TEST(RecallZorfLimits, AFileSizeLimitIsAFailedWrite) {
    TTempDir folder;
    WriteInputs(folder, ManyRows(2000));
    const TShellRun run = RunLimited(folder, "ulimit -f 8");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Unable to write the data set file out.dat\n");
    EXPECT_EQ(FilesIn(folder), kInputs);
}

#if !defined(__SANITIZE_ADDRESS__)
// A count the header merely claims takes neither the memory nor the time it would need.
TEST(RecallZorfLimits, MemoryFollowsTheBytesNotTheClaimedCounts) {
    TTempDir folder;
    WriteInputs(folder,
                "[DataSet] [Rows = 1] [Inputs = 2147483647] [Data] 0.5 0.2 [~Data] [~DataSet]");
    const TShellRun run = RunLimited(folder, "ulimit -v 1000000");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Token (number) expected\n");
    EXPECT_EQ(FilesIn(folder), kInputs);
}
#endif

// SIGTERM while rows are being recalled: the recall file is a FIFO that the test feeds, so
// the program is certainly in the middle of its run, with its temporary file, when the
// signal comes.
TEST(RecallZorfLimits, ASignalRemovesTheTemporaryFile) {
    TTempDir folder;
    WriteInputs(folder, "");
    std::filesystem::remove(folder.File("rows.dat"));
    ASSERT_EQ(mkfifo(folder.File("rows.dat").c_str(), 0600), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (chdir(folder.Path().c_str()) == 0) {
            execl(ZORF_RECALL_BINARY, "RecallZorf", "recall.par", static_cast<char*>(nullptr));
        }
        _exit(127);
    }
    // More than the program reads in one block, far fewer rows than the header announces.
    std::string rows = "[DataSet] [Rows = 1000000] [Inputs = 2] [Data]\n";
    for (int i = 0; i < 60000; ++i) {
        rows += "0.5 0.25\n";
    }
    // Neither opening nor writing waits for a program that has stopped early.
    const int feed = open(folder.File("rows.dat").c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(feed, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (std::size_t sent = 0; sent < rows.size() && std::chrono::steady_clock::now() < deadline;) {
        const ssize_t count = write(feed, rows.data() + sent, rows.size() - sent);
        if (count > 0) {
            sent += static_cast<std::size_t>(count);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    const auto temporaryExists = [&] {
        for (const std::string& name : FilesIn(folder)) {
            if (name.starts_with("out.dat.tmp")) {
                return true;
            }
        }
        return false;
    };
    while (!temporaryExists() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(temporaryExists());
    kill(child, SIGTERM);
    int raw = 0;
    waitpid(child, &raw, 0);
    close(feed);
    EXPECT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == SIGTERM) << raw;
    EXPECT_EQ(FilesIn(folder), kInputs);
}

}  // namespace
