#include "Recall/ParameterFile.h"

#include <gtest/gtest.h>

namespace {

struct ReadingCase {
    const char* text;
    const char* weightFile;
    const char* recallFile;
    const char* outputFile;
    std::vector<std::int32_t> features;
};

TEST(ParameterFile, ReadsWordsByTheStreamExtractionRules) {
    const ReadingCase cases[] = {
        {"WeightFile = a.net\nRecallFile = b.dat\nOutputFile = c.out\n#Features = 3\n"
         "Features = 0 2 5\n",
         "a.net",
         "b.dat",
         "c.out",
         {0, 2, 5}},
        // Keywords in any letter case; the output file defaults.
        {"weightfile = a RECALLFILE = b", "a", "b", "default.out", {}},
        {"wEiGhTfIlE = a", "a", "", "default.out", {}},
        // The separator is the next non-blank character, whatever it is.
        {"WeightFile =a.net", "a.net", "", "default.out", {}},
        {"WeightFile net.wts", "et.wts", "", "default.out", {}},
        {"WeightFile\n:\nx", "x", "", "default.out", {}},
        // A keyword glued to its value is one word that matches nothing.
        {"WeightFile=net.wts", "", "", "default.out", {}},
        // Unknown words, equals signs and values are skipped.
        {"Comment = hello WeightFile = w", "w", "", "default.out", {}},
        // A value cut off by the end of the file empties the name.
        {"WeightFile = w WeightFile =", "", "", "default.out", {}},
        {"WeightFile = w WeightFile", "", "", "default.out", {}},
        // Features before #Features reads no numbers; they are skipped as words.
        {"Features = 1 2 #Features = 1 Features = 4", "", "", "default.out", {4}},
        {"Features = 1 2", "", "", "default.out", {}},
        // Integers: sign, hexadecimal and octal prefixes; numbers beyond the count are words.
        {"#Features = 3 Features = 0x1F 010 +7 9", "", "", "default.out", {31, 8, 7}},
        {"#Features = 0x2 Features = 1 0", "", "", "default.out", {1, 0}},
        // A later #Features replaces the list; a count of 0 selects nothing.
        {"#Features = 1 Features = 3 #Features = 2 Features = 5 6", "", "", "default.out", {5, 6}},
        {"#Features = 0 Features = 1", "", "", "default.out", {}},
        // The count cut off by the end of the file leaves no selection.
        {"#Features =", "", "", "default.out", {}},
    };
    for (const ReadingCase& c : cases) {
        const TRecallParameters parameters = ParseParameterText(c.text, "p.txt");
        EXPECT_EQ(parameters.weightFile, c.weightFile) << c.text;
        EXPECT_EQ(parameters.recallFile, c.recallFile) << c.text;
        EXPECT_EQ(parameters.outputFile, c.outputFile) << c.text;
        EXPECT_EQ(parameters.features, c.features) << c.text;
    }
}

struct RefusalCase {
    std::string text;
    const char* report;
};

TEST(ParameterFile, RefusesWhatCannotBeReadSoundly) {
    const RefusalCase cases[] = {
        {"WeightFile = " + std::string(256, 'n'),
         "Parameter file p.txt: a word is longer than 255 characters: "},
        {"#Features = three", "Parameter file p.txt: #Features needs an integer, found three"},
        {"#Features = 2 Features = 1 x",
         "Parameter file p.txt: Features needs an integer, found x"},
        {"#Features = 99999999999", "Parameter file p.txt: #Features needs an integer, found 9999"},
        {"#Features = -1", "Parameter file p.txt: #Features must not be negative, found -1"},
        {"#Features = 2", "Parameter file p.txt: #Features = 2 is not followed by a Features list"},
        {"#Features = 2 Features = 7", "Parameter file p.txt: #Features = 2 is not followed by"},
        {"Threads = -2", "Parameter file p.txt: Threads must not be negative, found -2"},
        {"Threads = many", "Parameter file p.txt: Threads needs an integer, found many"},
        // A word is one number as a whole: 08 is neither octal 0 and 8, nor 8.
        {"#Features = 2 Features = 08 09",
         "Parameter file p.txt: Features needs an integer, "
         "found 08"},
        {"#Features = 2 Features = 010 09",
         "Parameter file p.txt: Features needs an integer, "
         "found 09"},
        {"#Features = 1x", "Parameter file p.txt: #Features needs an integer, found 1x"},
    };
    for (const RefusalCase& c : cases) {
        try {
            ParseParameterText(c.text, "p.txt");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const TParameterFileError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.report, 0), 0U) << e.what();
        }
    }
}

// 0, the default, takes every core.
TEST(ParameterFile, ThreadsIsAWholeNumber) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"", 0}, {"Threads = 3", 3}, {"THREADS = 0x2 Threads = 1", 1}, {"Threads =", 0}};
    for (const auto& [text, threads] : cases) {
        EXPECT_EQ(ParseParameterText(text, "p").threads, threads) << text;
    }
}

// Words the reading rules skip or cut, though the user plainly meant otherwise, give hints.
TEST(ParameterFile, HintsAtWordsThatLookLikeMistakes) {
    const struct {
        const char* text;
        std::vector<std::string> hints;
    } cases[] = {
        {"WeightFile=a.net WeightFile: b.net",
         {"WeightFile=a.net is one word and is skipped; write WeightFile = <value> with blanks "
          "around the =",
          "WeightFile: is one word and is skipped; write WeightFile = <value> with blanks around "
          "the ="}},
        {"\xEF\xBB\xBFWeightFile = a.net",
         {"the file starts with a byte-order mark, so its first word WeightFile is skipped; "
          "save it without one"}},
        {"Features = 1 2",
         {"Features stands where #Features is 0 or not given yet, so its list is skipped; write "
          "#Features = <count> before it"}},
        {"#Features = 1 Features = 1 2",
         {"Features lists more numbers than #Features = 1; the rest are skipped"}},
        {"WeightFiles = a # WeightFile = a.net #Features = 1 Features = 1 RecallFile = r", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> expected;
        for (const std::string& hint : c.hints) {
            expected.push_back("Parameter file p.txt: " + hint);
        }
        EXPECT_EQ(ParseParameterText(c.text, "p.txt").hints, expected) << c.text;
    }
}

TEST(ParameterFile, AcceptsAWordOfExactlyTheLongestLength) {
    const std::string name(kMaxParameterWordLength, 'n');
    EXPECT_EQ(ParseParameterText("WeightFile = " + name, "p").weightFile, name);
}

}  // namespace
