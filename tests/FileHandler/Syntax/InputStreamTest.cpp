#include "FileHandler/Syntax/InputStream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FileHandler/Syntax/ParseTools.h"
#include "Support/TempDir.h"

namespace {

using FileTools::InputStream;

TEST(InputStream, GivesBytesPushBackAndPositions) {
    InputStream in("ab\xff");
    EXPECT_EQ(in.Get(), 'a');
    EXPECT_EQ(in.Position(), 1);
    in.Unget();
    EXPECT_EQ(in.Get(), 'a');
    EXPECT_EQ(in.Get(), 'b');
    EXPECT_EQ(in.Get(), 0xff);
    EXPECT_EQ(in.Get(), InputStream::kEnd);
    EXPECT_EQ(in.Position(), 3);
    in.Seek(1);
    EXPECT_EQ(in.Get(), 'b');
    in.Seek(10);
    EXPECT_EQ(in.Get(), InputStream::kEnd);
}

std::vector<std::pair<std::string, std::int64_t>> TokensWithPositions(InputStream& in) {
    FileTools::ScratchBuffer scratch;
    std::vector<std::pair<std::string, std::int64_t>> tokens;
    for (std::string token = FileTools::ReadToken(scratch, in); !token.empty();
         token = FileTools::ReadToken(scratch, in)) {
        tokens.emplace_back(token, in.Position());
    }
    return tokens;
}

// Words of every length up to the longest allowed, so that many of them straddle the
// boundary between two blocks of the file reader.
TEST(InputStream, FileReadsAsTheSameTextInMemory) {
    TTempDir folder;
    std::string text;
    for (int i = 0; text.size() < 3'000'000; ++i) {
        text +=
            std::string(static_cast<std::size_t>(1 + i % 1027), static_cast<char>('a' + i % 26));
        text += i % 7 == 0 ? "[" : " ";
    }
    const std::string path = folder.Write("words.txt", text);
    std::optional<InputStream> file = InputStream::Open(path);
    ASSERT_TRUE(file.has_value());
    InputStream memory(text);
    EXPECT_EQ(file->Size(), static_cast<std::int64_t>(text.size()));
    EXPECT_EQ(memory.Size(), file->Size());
    const auto fromFile = TokensWithPositions(*file);
    EXPECT_EQ(fromFile, TokensWithPositions(memory));
    EXPECT_EQ(file->Position(), static_cast<std::int64_t>(text.size()));

    file->Seek(fromFile[fromFile.size() / 3].second);
    FileTools::ScratchBuffer scratch;
    EXPECT_EQ(FileTools::ReadToken(scratch, *file), fromFile[fromFile.size() / 3 + 1].first);
    EXPECT_FALSE(InputStream::Open(folder.File("missing.txt")).has_value());
}

}  // namespace
