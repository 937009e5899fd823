// CSV records against the cases of RFC 4180 and the refusals that name their place.
#include "FileHandler/CsvFile/CsvRecords.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using TRecords = std::vector<std::vector<std::string>>;

TRecords ReadAll(const std::string& text) {
    FileTools::InputStream in(text);
    FileTools::TCsvRecords records(in);
    TRecords all;
    std::vector<std::string> fields;
    while (records.Next(fields)) {
        all.push_back(fields);
    }
    return all;
}

TEST(CsvRecords, ReadsFieldsAsRfc4180WritesThem) {
    const struct {
        std::string text;
        TRecords records;
    } cases[] = {
        {"a,b\n1,2\n", {{"a", "b"}, {"1", "2"}}},
        {"a,b\r\n1,2", {{"a", "b"}, {"1", "2"}}},
        {"\xEF\xBB\xBF"
         "a,b\n",
         {{"a", "b"}}},
        {"\"x, y\",\"say \"\"hi\"\"\"\n", {{"x, y", "say \"hi\""}}},
        {"\"two\nlines\",z\r\n", {{"two\nlines", "z"}}},
        {"a,,\n\n", {{"a", "", ""}, {""}}},
        {"\"\",b", {{"", "b"}}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadAll(c.text), c.records) << c.text;
    }
}

TEST(CsvRecords, RefusesBrokenQuotingNamingLineAndColumn) {
    const struct {
        std::string text;
        std::int64_t line, column;
    } cases[] = {
        {"a,b\n\"open,c\n", 3, 0},
        {"a,b\n\"x\"y,c\n", 2, 4},
    };
    for (const auto& c : cases) {
        try {
            ReadAll(c.text);
            ADD_FAILURE() << c.text;
        } catch (const FileTools::Error& e) {
            EXPECT_EQ(e.line, c.line) << c.text << ": " << e.message;
            EXPECT_EQ(e.column, c.column) << c.text << ": " << e.message;
        }
    }
}

}  // namespace
