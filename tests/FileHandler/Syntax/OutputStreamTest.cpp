#include "FileHandler/Syntax/OutputStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FileHandler/FilesIn.h"

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
        EXPECT_EQ(FilesIn(folder), (Files{"out.dat", "out.dat.tmp0", "out.dat.tmp1"}));
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

}  // namespace
