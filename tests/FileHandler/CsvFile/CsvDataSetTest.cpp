// CSV data sets: columns chosen by name, class columns made one-hot, and one table of broken
// files whose refusals must name the line and column.
#include "FileHandler/CsvFile/CsvDataSet.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using FileTools::TCsvColumnChoice;

struct TFlat {
    std::vector<std::string> inputNames;
    std::vector<std::vector<std::string>> classes;
    std::vector<double> inputs;
    std::vector<double> outputs;
};

TCsvColumnChoice Choice(std::vector<std::string> targets, std::vector<std::string> inputs = {},
                        bool classColumns = false,
                        std::vector<std::vector<std::string>> known = {}) {
    return {std::move(targets), std::move(inputs), classColumns, std::move(known)};
}

TFlat Read(const std::string& text, const TCsvColumnChoice& choice) {
    FileTools::InputStream in(text);
    const FileTools::TCsvDataSet loaded = FileTools::ReadCsvDataSet(in, choice);
    TFlat flat{loaded.inputNames, {}, {}, {}};
    for (const FileTools::TCsvTarget& target : loaded.targets) {
        flat.classes.push_back(target.classes);
    }
    const Data& data = *loaded.data;
    for (std::int32_t row = 0; row < data.MbrNdxDataRows; ++row) {
        for (std::int32_t c = 0; c < data.MbrNdxInputs; ++c) {
            flat.inputs.push_back(data.GetInputDatum(row, c));
        }
        for (std::int32_t c = 0; c < data.MbrNdxOutputs; ++c) {
            flat.outputs.push_back(data.GetOutputDatum(row, c));
        }
    }
    return flat;
}

TEST(CsvDataSet, ChoosesColumnsByNameAndMakesClassesOneHot) {
    const struct {
        std::string text;
        TCsvColumnChoice choice;
        TFlat expected;
    } cases[] = {
        // Every other column is an input, in file order; numbers as other programs write them.
        {"a,y,b\n1,0.5,+2\r\n-.5,1e1,.25\n",
         {{"y"}, {}, false, {}},
         {{"a", "b"}, {{}}, {1, 2, -0.5, 0.25}, {0.5, 10}}},
        // Inputs chosen, in the order named, by name or number; a line left empty is skipped.
        {"\"x, 1\",b,t\n1,2,3\n\n4,5,6\n",
         {{"t"}, {"b", "#1"}, false, {}},
         {{"b", "x, 1"}, {{}}, {2, 1, 5, 4}, {3, 6}}},
        // Words make a class column: classes in sorted order, one output each.
        {"x,kind\n1,pear\n2,apple\n3,pear\n",
         {{"kind"}, {}, false, {}},
         {{"x"}, {{"apple", "pear"}}, {1, 2, 3}, {0, 1, 1, 0, 0, 1}}},
        // Numbers as classes when asked, ordered as numbers.
        {"x,c\n1,10\n2,9\n", {{"c"}, {}, true, {}}, {{"x"}, {{"9", "10"}}, {1, 2}, {0, 1, 1, 0}}},
        // Known classes keep their order, even one the rows do not hold.
        {"x,c\n1,b\n",
         {{"c"}, {}, false, {{"c", "b", "a"}}},
         {{"x"}, {{"c", "b", "a"}}, {1}, {0, 1, 0}}},
    };
    for (const auto& c : cases) {
        const TFlat got = Read(c.text, c.choice);
        EXPECT_EQ(got.inputNames, c.expected.inputNames) << c.text;
        EXPECT_EQ(got.classes, c.expected.classes) << c.text;
        EXPECT_EQ(got.inputs, c.expected.inputs) << c.text;
        EXPECT_EQ(got.outputs, c.expected.outputs) << c.text;
    }
}

TEST(CsvDataSet, RefusesBrokenFilesNamingLineAndColumn) {
    const struct {
        std::string text;
        TCsvColumnChoice choice;
        std::int64_t line;
        std::optional<std::int64_t> column;
        std::string message;
    } cases[] = {
        {"", Choice({}), 1, {}, "the file is empty: a header row of column names is expected"},
        {"a,b\n", Choice({"b"}), 2, {}, "the file holds a header but no rows"},
        {"a,b\n1,2\n3\n", Choice({"b"}), 3, {}, "the row has 1 fields, the header 2"},
        {"a,b\n1,2,3\n", Choice({"b"}), 2, {}, "the row has 3 fields, the header 2"},
        {"a,b,a\n1,2,3\n", Choice({"b"}), 1, 3,
         "the column name \"a\" is given twice (columns 1 and 3)"},
        {"a,b\n1,2\n",
         Choice({"price"}),
         1,
         {},
         "TargetColumns: no column \"price\" in the header (\"a\", \"b\")"},
        {"a,b\n1,2\n",
         Choice({"#3"}),
         1,
         {},
         "TargetColumns: \"#3\" is not a column (the file has 2, numbered from #1)"},
        {"a,b,c\n1,2,3\n", Choice({"b", "b"}), 1, 2, "TargetColumns: column \"b\" is named twice"},
        {"a,b\n1,2\n", Choice({"b"}, {"a", "b"}), 1, 2,
         "InputColumns: column \"b\" is a target, not an input"},
        {"a,b\n1,2\nx,3\n", Choice({"b"}), 3, 1, "\"x\" is not a number, in input column \"a\""},
        {"a,b\n1,2\n,3\n", Choice({"b"}), 3, 1,
         "a missing value (an empty field) in input column \"a\""},
        {"a,b\n1,2\nNA,3\n", Choice({"b"}), 3, 1, "a missing value (\"NA\") in input column \"a\""},
        {"a,b\n1,2\n2,NaN\n", Choice({"b"}), 3, 2,
         "a missing value (\"NaN\") in target column \"b\""},
        {"a,b\n1,cat\n2,3\n", Choice({"b"}), 3, 2,
         "\"3\" is a number in class column \"b\", whose values are words (\"cat\")"},
        {"a,b\n1,cat\n", Choice({"b"}, {}, false, {{"dog"}}), 2, 2,
         "the class \"cat\" of column \"b\" is not one of the network's classes"},
        {"a,b\n1,\"2\n", Choice({"b"}), 3, 0, "a quoted field opened on line 2 is not closed"},
    };
    for (const auto& c : cases) {
        try {
            Read(c.text, c.choice);
            ADD_FAILURE() << c.text;
        } catch (const FileTools::Error& e) {
            EXPECT_EQ(e.message, c.message) << c.text;
            EXPECT_EQ(e.line, c.line) << c.text;
            EXPECT_EQ(e.column, c.column) << c.text;
        }
    }
}

TEST(CsvDataSet, InputRowsAreTheLoadedInputsRowByRow) {
    const std::string text = "id,a,t,b\nx,1,0,2\ny,3,1,4\n";
    FileTools::InputStream whole(text);
    const TFlat loaded = Read(text, {{"t"}, {"a", "b"}, false, {}});
    FileTools::InputStream in(text);
    FileTools::TCsvInputRows rows(in, {{"t"}, {"a", "b"}, false, {}});
    std::vector<double> all;
    std::vector<double> row;
    while (rows.Next(row)) {
        all.insert(all.end(), row.begin(), row.end());
    }
    EXPECT_EQ(all, loaded.inputs);
    EXPECT_EQ(FileTools::CountCsvRows(whole), 2);
    EXPECT_TRUE(FileTools::IsCsvFileName("dir/Wine.CSV"));
    EXPECT_FALSE(FileTools::IsCsvFileName("wine.csv.dat"));
}

}  // namespace
