#include "FileHandler/Syntax/OutputStream.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "FileHandler/FilesIn.h"
#include "FileHandler/Syntax/TemporaryFiles.h"

namespace {

using FileTools::OutputStream;
using Files = std::vector<std::string>;

// More than one block, so that flushing between blocks is part of what is checked.
std::string LongText() {
    std::string text;
    for (int i = 0; text.size() < 200'000; ++i) {
        text += std::to_string(i) + (i % 10 == 0 ? "\n" : " ");
    }
    return text;
}

TEST(OutputStream, CollectsTextAndNumbersInMemory) {
    OutputStream out;
    const std::string text = LongText();
    out.Write(text);
    out.WriteInteger(-42);
    out.Put(' ');
    out.WriteFixed(0.25, 9);
    out.Put(' ');
    out.WriteGeneral(1.0 / 3.0, 15);
    EXPECT_EQ(out.Text(), text + "-42 0.250000000 0.333333333333333");
    EXPECT_TRUE(out.Commit());
}

TEST(OutputStream, ReplacesAFileOnlyWhenCommitted) {
    TTempDir folder;
    const std::string target = folder.Write("out.dat", "old");
    folder.Write("out.dat.tmp0", "another run's");
    const std::string text = LongText();
    {
        OutputStream out = OutputStream::ReplaceFile(target);
        out.Write(text);
        EXPECT_EQ(folder.Read("out.dat"), "old");
        const Files during = FilesIn(folder);
        ASSERT_EQ(during.size(), 3U);
        EXPECT_EQ(during[2].substr(0, 11), "out.dat.tmp");
        EXPECT_TRUE(out.Commit());
    }
    EXPECT_EQ(folder.Read("out.dat"), text);
    EXPECT_EQ(folder.Read("out.dat.tmp0"), "another run's");
    {
        OutputStream abandoned = OutputStream::ReplaceFile(target);
        abandoned.Write("partial");
    }
    EXPECT_EQ(folder.Read("out.dat"), text);
    EXPECT_EQ(FilesIn(folder), (Files{"out.dat", "out.dat.tmp0"}));
}

TEST(OutputStream, ReportsFilesThatCannotBeWritten) {
    TTempDir folder;
    std::filesystem::create_directory(folder.File("folder"));
    const std::string cases[] = {folder.File("missing/out.dat"), folder.File("folder")};
    for (const std::string& path : cases) {
        OutputStream out = OutputStream::ReplaceFile(path);
        out.Write("text");
        EXPECT_FALSE(out.Commit()) << path;
        EXPECT_TRUE(out.Failed());
    }
    EXPECT_EQ(FilesIn(folder), (Files{"folder"}));
    EXPECT_TRUE(std::filesystem::is_empty(folder.File("folder")));

    OutputStream appending = OutputStream::AppendToFile(folder.File("missing/out.dat"));
    EXPECT_FALSE(appending.Commit());
}

TEST(OutputStream, ReportsAFullDisk) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    OutputStream small = OutputStream::AppendToFile("/dev/full");
    small.Write("x");
    EXPECT_FALSE(small.Commit());
    OutputStream large = OutputStream::AppendToFile("/dev/full");
    large.Write(LongText());
    EXPECT_TRUE(large.Failed());
    EXPECT_FALSE(large.Commit());
}

// What replacing does to what stands at the output's name: links are written through,
// devices and FIFOs in place, modes kept; directories, sockets and unwritable files refused.
TEST(OutputStream, ReplacesOnlyRegularFilesAndWritesThroughLinks) {
    TTempDir folder;
    const auto at = [&](const char* name) { return folder.File(name); };
    folder.Write("kept", "old");
    std::filesystem::permissions(at("kept"), std::filesystem::perms(0640));
    folder.Write("readonly", "old");
    std::filesystem::permissions(at("readonly"), std::filesystem::perms(0444));
    folder.Write("target", "old");
    std::filesystem::create_symlink("target", at("link"));
    std::filesystem::create_symlink("absent", at("dangling"));
    std::filesystem::create_directory(at("folder"));
    ASSERT_EQ(mkfifo(at("fifo").c_str(), 0600), 0);
    const bool root = geteuid() == 0;
    if (root) {  // a private device node: writes go to the null device, the node stays
        ASSERT_EQ(mknod(at("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    }
    struct Case {
        const char* name;
        bool written;
        const char* readBack;  // the file then holding the text, and its mode
        unsigned mode;
    };
    const std::vector<Case> cases = {
        {"kept", true, "kept", 0640},          {"new", true, "new", 0644 & ~0022U},
        {"link", true, "target", 0644},        {"dangling", true, "absent", 0644 & ~0022U},
        {"readonly", false, "readonly", 0444}, {"folder", false, nullptr, 0},
    };
    const mode_t oldMask = umask(0022);
    for (const Case& c : cases) {
        OutputStream out = OutputStream::ReplaceFile(at(c.name));
        out.Write("text");
        EXPECT_EQ(out.Commit(), c.written) << c.name;
        EXPECT_EQ(out.FailureReason().empty(), c.written) << c.name;
        if (c.readBack != nullptr) {
            EXPECT_EQ(folder.Read(c.readBack), c.written ? "text" : "old") << c.name;
            struct stat status {};
            ASSERT_EQ(stat(at(c.readBack).c_str(), &status), 0);
            EXPECT_EQ(status.st_mode & 0777, c.mode) << c.name;
        }
    }
    umask(oldMask);
    EXPECT_TRUE(std::filesystem::is_symlink(at("link")));
    EXPECT_TRUE(std::filesystem::is_symlink(at("dangling")));
    EXPECT_EQ(OutputStream::ReplaceFile(at("folder")).FailureReason(), "Is a directory");
    if (root) {
        OutputStream out = OutputStream::ReplaceFile(at("null"));
        out.Write(LongText());
        EXPECT_TRUE(out.Commit());
        struct stat status {};
        ASSERT_EQ(lstat(at("null").c_str(), &status), 0);
        EXPECT_TRUE(S_ISCHR(status.st_mode));
    }
    // A FIFO is written in place once someone reads it.
    std::thread reader([&] { EXPECT_EQ(folder.Read("fifo"), "through"); });
    OutputStream out = OutputStream::ReplaceFile(at("fifo"));
    out.Write("through");
    EXPECT_TRUE(out.Commit());
    reader.join();
    const std::vector<std::string> left = FilesIn(folder);
    EXPECT_TRUE(std::none_of(left.begin(), left.end(), [](const std::string& name) {
        return name.find(".tmp") != name.npos;
    }));
}

// However long the name and however many leftovers, the temporary name is unique and short
// enough; a signal removes the file.
TEST(OutputStream, TemporaryNamesFitAndNeverRunOut) {
    TTempDir folder;
    for (const std::size_t length : {1UL, 234UL, 235UL, 255UL}) {
        const std::string name = FileTools::TemporaryNameFor(folder.File(std::string(length, 'n')),
                                                             0x0123456789abcdefULL);
        EXPECT_EQ(name.substr(0, folder.Path().string().size() + 1), folder.Path().string() + "/");
        const std::string base = name.substr(folder.Path().string().size() + 1);
        EXPECT_EQ(base.size(), std::min<std::size_t>(length + 20, 255));
        EXPECT_TRUE(base.ends_with(".tmp0123456789abcdef"));
    }
    const std::string target = folder.File(std::string(255, 'n'));
    for (int i = 0; i < 100; ++i) {
        folder.Write(std::string(255, 'n') + ".tmp" + std::to_string(i), "");
    }
    OutputStream out = OutputStream::ReplaceFile(target);
    out.Write("text");
    EXPECT_TRUE(out.Commit()) << out.FailureReason();
    EXPECT_EQ(folder.Read(std::string(255, 'n')), "text");
}

std::atomic<int> hangUps{0};
extern "C" void CountHangUp(int) {
    hangUps.fetch_add(1);
}

// A process with a handler of its own keeps it: while a temporary file exists the signal
// reaches it (and the file stays for its writer), afterwards it is in place again.
TEST(OutputStream, TheProcessOwnSignalHandlerKeepsTheSignal) {
    TTempDir folder;
    struct sigaction own {};
    struct sigaction saved {};
    own.sa_handler = CountHangUp;
    sigemptyset(&own.sa_mask);
    sigaction(SIGHUP, &own, &saved);
    {
        OutputStream out = OutputStream::ReplaceFile(folder.File("a"));
        struct sigaction during {};
        sigaction(SIGHUP, nullptr, &during);
        EXPECT_NE(during.sa_handler, own.sa_handler);
        std::raise(SIGHUP);
        EXPECT_EQ(hangUps.load(), 1);
        out.Write("kept");
        EXPECT_TRUE(out.Commit()) << out.FailureReason();
    }
    EXPECT_EQ(folder.Read("a"), "kept");
    struct sigaction after {};
    sigaction(SIGHUP, nullptr, &after);
    EXPECT_EQ(after.sa_handler, own.sa_handler);
    sigaction(SIGHUP, &saved, nullptr);
}

}  // namespace
