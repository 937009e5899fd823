#include "FileHandler/Syntax/ParseTools.h"

#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "FileHandler/ReadFailure.h"
#include "KQmessage/NumberText.h"
#include "Support/TempDir.h"

namespace {

using FileTools::BlockItem;
using FileTools::InputStream;
using FileTools::ItemKind;
using FileTools::OutputStream;

std::vector<std::string> Tokens(const std::string& text) {
    InputStream in(text);
    FileTools::ScratchBuffer scratch;
    std::vector<std::string> tokens;
    for (std::string token = FileTools::ReadToken(scratch, in); !token.empty();
         token = FileTools::ReadToken(scratch, in)) {
        tokens.push_back(token);
    }
    return tokens;
}

TEST(ParseTools, TokensAreWordsAndSpecials) {
    struct Case {
        std::string text;
        std::vector<std::string> tokens;
    };
    const Case cases[] = {
        {"abc  def\n", {"abc", "def"}},
        {"1,2,3", {"1", "2", "3"}},
        {"[Rows=5]", {"[", "Rows", "=", "5", "]"}},
        {"[~Data]", {"[~", "Data", "]"}},
        {"a/*x*/b", {"a", "b"}},
        {"/* a /* b */ c */ [X]", {"[", "X", "]"}},
        {"/*/ still comment */x", {"x"}},
        {"x\xe9y\x7fz", {"x", "y", "z"}},
        {"<a>*/", {"<", "a", ">", "*", "/"}},
        {"[ ~", {"[", "~"}},
        {"-0.5e3,+7", {"-0.5e3", "+7"}},
        {"[", {"["}},
        {"/", {"/"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Tokens(c.text), c.tokens) << c.text;
    }
}

std::string Describe(const BlockItem& item) {
    const char* kinds[] = {"End", "Bare", "Tag", "KeyValue"};
    return std::string(kinds[static_cast<int>(item.kind)]) + " " + item.name +
           (item.kind == ItemKind::KeyValue ? "=" + item.value : "") + (item.more ? " more" : "");
}

// Reads items as the caller of a bracket does: the item after one with `more` is read
// with bracket set.
std::vector<std::string> Items(const std::string& text, std::string_view blockdef, int count) {
    InputStream in(text);
    FileTools::ScratchBuffer scratch;
    std::vector<std::string> items;
    bool bracket = false;
    for (int i = 0; i < count; ++i) {
        const BlockItem item = FileTools::ReadBlockItem(scratch, in, blockdef, bracket);
        items.push_back(Describe(item));
        bracket = item.more;
    }
    return items;
}

TEST(ParseTools, ReadBlockItemAcceptsTheVariationsOfTheSyntax) {
    struct Case {
        std::string text;
        std::string_view blockdef;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"[Rows=5]", "", {"KeyValue Rows=5", "End "}},
        {"[ Rows = 5 ]", "", {"KeyValue Rows=5"}},
        {"[rows =\n5]", "", {"KeyValue rows=5"}},
        {"[ALL Gain = 1.0]", "", {"Tag ALL more", "KeyValue Gain=1.0"}},
        {"[a,b] c", "", {"Tag a more", "Tag b", "Bare c"}},
        {"[From=0 To=2 Weight=0.731 UnTrainable]",
         "",
         {"KeyValue From=0 more", "KeyValue To=2 more", "KeyValue Weight=0.731 more",
          "Tag UnTrainable"}},
        {"[FormatVersion = 1.0] 7 [FormatVersion=0.5][formatversion = -3][X]",
         "",
         {"Bare 7", "Tag X"}},
        {"[FormatVersion] [FormatVersion = 1 more]",
         "",
         {"Tag FormatVersion", "KeyValue FormatVersion=1 more", "Tag more"}},
        {"[~DataSet] [~dataset]", "DATASET", {"End ", "End "}},
        {"/* x */ 1.5 /* y */", "Data", {"Bare 1.5"}},
        {"= *", "", {"Bare =", "Bare *"}},
        {"[X", "", {"Tag X more", "End "}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Items(c.text, c.blockdef, static_cast<int>(c.items.size())), c.items) << c.text;
    }
}

std::string ItemFailure(const std::string& text, std::string_view blockdef) {
    return ReadFailure([&] { Items(text, blockdef, 8); });
}

TEST(ParseTools, ReadBlockItemRefusesBrokenSyntax) {
    const std::string longest(FileTools::kMaxWordLength, 'w');
    struct Case {
        std::string text;
        std::string_view blockdef;
        std::string failure;
    };
    const Case cases[] = {
        {"/* a /* b */", "", "Unexpected end of file during comment"},
        {"[= 5]", "", "Unexpected special character"},
        {"[Key = ]", "", "Unexpected special character"},
        {"[Key = [x]", "", "Unexpected special character"},
        {"[", "", "Unexpected end of file"},
        {"[Key =", "", "Unexpected end of file"},
        {"5", "Data", "Unexpected end of file"},
        {"[FormatVersion = 1.01]", "", "Illegal Format Version"},
        {"[FormatVersion = abc]", "", "number-expected"},
        {"[~Data]", "DATASET", "Unexpected End Tag"},
        {"[~DataSet more", "DATASET", "Expected ']'"},
        {"[~", "DATASET", "Unexpected End Tag"},
        {"]", "", "strcasecmp(s,\"]\") != 0"},
        {"[a b = ]", "", "Unexpected special character"},
        {"[~X]", "", "blockdef != NULL"},
        {longest + "x", "", "Word longer than 1027 characters"},
        {longest, "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ItemFailure(c.text, c.blockdef), c.failure) << c.text;
    }
}

// Runs `check` on the first item of `text`; gives its failure, or "ok".
std::string CheckFailure(const std::string& text,
                         const std::function<void(const InputStream&, const BlockItem&)>& check) {
    InputStream in(text);
    FileTools::ScratchBuffer scratch;
    const BlockItem item = FileTools::ReadBlockItem(scratch, in, "Data", false);
    const std::string failure = ReadFailure([&] { check(in, item); });
    return failure.empty() ? "ok" : failure;
}

TEST(ParseTools, CheckersAcceptTheirItemOrSayWhatWasExpected) {
    using namespace FileTools;
    const auto blockStart = [](std::string_view name) {
        return [name](const InputStream& in, const BlockItem& item) {
            EXPECT_EQ(ExpectBlockStart(in, item, name), "DataSet");
        };
    };
    const auto stringValue = [](std::string_view key) {
        return [key](const InputStream& in, const BlockItem& item) {
            EXPECT_EQ(ReadStringValue(in, item, key), "Zorf");
        };
    };
    const auto expectedValue = [](const InputStream& in, const BlockItem& item) {
        ReadStringValue(in, item, "NETWORKTYPE", "zorf");
    };
    const auto integerValue = [](const InputStream& in, const BlockItem& item) {
        EXPECT_EQ(ReadIntegerValue(in, item, "ROWS"), 12);
    };
    const auto numberValue = [](const InputStream& in, const BlockItem& item) {
        EXPECT_EQ(ReadNumberValue(in, item, "GAIN"), 0.5);
    };
    const auto numberToken = [](const InputStream& in, const BlockItem& item) {
        EXPECT_EQ(ReadNumberToken(in, item), 12.0);
    };
    const auto blockEnd = [](const InputStream& in, const BlockItem& item) {
        ExpectBlockEnd(in, item);
    };
    struct Case {
        std::string text;
        std::function<void(const InputStream&, const BlockItem&)> check;
        std::string result;
    };
    const Case cases[] = {
        {"[DataSet]", blockStart("DATASET"), "ok"},
        {"[DataSet more]", blockStart("DATASET"), "ok"},
        {"[DataSet]", blockStart(""), "ok"},
        {"[Data]", blockStart("DATASET"), "[DATASET] expected"},
        {"DataSet", blockStart(""), "start of block expected"},
        {"[NetworkType = Zorf]", stringValue("NETWORKTYPE"), "ok"},
        {"[NetworkInformation]", stringValue("NETWORKTYPE"),
         "[NETWORKTYPE = <string>] expectedNetworkInformation"},
        {"[~Data]", stringValue("NETWORKTYPE"), "[NETWORKTYPE = <string>] expected"},
        {"[NetworkType = ZORF]", expectedValue, "ok"},
        {"[NetworkType = Basic]", expectedValue, "[NETWORKTYPE = zorf] expected"},
        {"[Rows = 12]", integerValue, "ok"},
        {"[Rows = 12abc]", integerValue, "ok"},
        {"[Rows = +-1]", integerValue, "integer-expected"},
        {"[Rows = x]", integerValue, "integer-expected"},
        {"[Rows = 3000000000]", integerValue, "integer-expected"},
        {"[Rows = 12 more]", integerValue, "ok"},
        {"[Cols = 12]", integerValue, "[ROWS = <integer>] expected"},
        {"[Gain = .5]", numberValue, "ok"},
        {"[Gain = e5]", numberValue, "number-expected"},
        {"[Gains = 0.5]", numberValue, "[GAIN = <number>] expected"},
        {"12abc", numberToken, "ok"},
        {"0x1.8p3", numberToken, "ok"},
        {"abc", numberToken, "number-expected"},
        {"[~Data]", numberToken, "Token (number) expected"},
        {"[X]", numberToken, "Token (number) expected"},
        {"[~Data]", blockEnd, "ok"},
        {"5", blockEnd, "End Tag expected"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckFailure(c.text, c.check), c.result) << c.text;
    }
}

TEST(ParseTools, ReadNumberItemReadsAsReadBlockItemThenReadNumberToken) {
    const std::string text = "1 [FormatVersion = 1.0] /* c */ -2.5e1 , 0x10 [~Data]";
    InputStream in(text);
    FileTools::ScratchBuffer scratch;
    EXPECT_EQ(FileTools::ReadNumberItem(scratch, in, "Data"), 1.0);
    EXPECT_EQ(FileTools::ReadNumberItem(scratch, in, "Data"), -25.0);
    EXPECT_EQ(FileTools::ReadNumberItem(scratch, in, "Data"), 16.0);
    EXPECT_EQ(ReadFailure([&] { FileTools::ReadNumberItem(scratch, in, "Data"); }),
              "Token (number) expected");
}

// Numbers of every form, between separators and comments, in a file of several of the
// reader's blocks, so that numbers also straddle the end of a block.
TEST(ParseTools, ReadNumberItemReadsWholeFilesAsScanTokenAndParseNumber) {
    std::mt19937_64 random(7);
    const char* const forms[] = {"0.5",  "-12.25e-3", "7",   "+3", ".5", "0x1p4",
                                 "-inf", "1e999",     "12x", "1,", "1e"};
    const char* const separators[] = {" ", "\n", ", ", "\t", "  /* a */ ", "\r\n"};
    std::string text;
    std::vector<std::string> words;
    while (text.size() < 700000) {
        std::string word = forms[random() % std::size(forms)];
        if (random() % 2 == 0) {
            word = std::to_string(static_cast<double>(random() % 1000000) / 977.0);
        }
        words.push_back(word.back() == ',' ? word.substr(0, word.size() - 1) : word);
        text += word + separators[random() % std::size(separators)];
    }
    TTempDir folder;
    std::optional<InputStream> in = InputStream::Open(folder.Write("numbers", text + "[~Data]"));
    ASSERT_TRUE(in.has_value());
    FileTools::ScratchBuffer scratch;
    for (const std::string& word : words) {
        const double expected = *NumberText::ScanReal(word);
        const double read = FileTools::ReadNumberItem(scratch, *in, "Data");
        ASSERT_EQ(std::bit_cast<std::uint64_t>(read), std::bit_cast<std::uint64_t>(expected))
            << word;
    }
    EXPECT_EQ(ReadFailure([&] { FileTools::ReadNumberItem(scratch, *in, "Data"); }),
              "Token (number) expected");
}

TEST(ParseTools, WritersProduceTheSyntax) {
    using namespace FileTools;
    OutputStream out;
    WriteFormatVersion(out);
    WriteTag(out, "DataSet", true);
    WriteIntegerValue(out, "Rows", -3, true);
    WriteNumberValue(out, "Key", 0.25, 6, true);
    WriteStringValue(out, "ExpectedOutputs", "Labels", true);
    WriteOpenBracket(out, true);
    WriteIntegerValue(out, "From", 3, false);
    WriteIntegerValue(out, "To", 5, false);
    WriteNumberValue(out, "Weight", 0.25, 15, false);
    WriteTag(out, "Trainable", false);
    WriteCloseBracket(out, true, true);
    WriteOpenBracket(out, false);
    WriteCloseBracket(out, false, true);
    WriteNumberValue(out, "Big", -123456.5, 15, true);
    WriteBareToken(out, "0.5");
    WriteCloseBracket(out, true, false);
    WriteEndTag(out, "");
    WriteEndTag(out, "DataSet");
    EXPECT_EQ(out.Text(),
              "[FormatVersion = 1.0]\n\n"
              "[DataSet]\n"
              "[Rows = -3]\n"
              "[Key = 0.250000]\n"
              "[ExpectedOutputs = Labels]\n"
              "[From=3 To=5 Weight=0.250000000000000 Trainable ]\n"
              "[Big = -123456.500000000000000]\n"
              "0.5 ]"
              "[~DataSet]\n");
}

}  // namespace
