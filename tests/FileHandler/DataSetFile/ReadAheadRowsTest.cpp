#include "FileHandler/DataSetFile/ReadAheadRows.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "FileHandler/ReadFailure.h"
#include "Support/TempDir.h"

namespace {

using namespace FileTools;

constexpr ReadAheadRows::Mode kModes[] = {ReadAheadRows::Mode::Automatic,
                                          ReadAheadRows::Mode::InCallerThread};

// `rows` rows of two inputs and one expected output: "r r.5 -r"; row `broken` (if any) holds
// a word where its second number should be.
std::string RowsText(std::int32_t rows, std::int32_t broken = -1,
                     const std::string& trailer = "[~Data]\n[~DataSet]\n") {
    std::string text = "[DataSet]\n[Rows = " + std::to_string(rows) +
                       "]\n[Inputs = 2]\n[ExpectedOutputs = 1]\n[Data]\n";
    for (std::int32_t r = 0; r < rows; ++r) {
        const std::string n = std::to_string(r);
        text.append(n).append(r == broken ? " oops" : " " + n + ".5");
        text.append(" -").append(n).append("\n");
    }
    return text + trailer;
}

struct Opened {
    ScratchBuffer scratch{};
    DataSetFile file;
    DataSetLayout layout;

    explicit Opened(const std::string& path)
        : file(*OpenDataSetFile(scratch, path)), layout(LayoutOf(file.header)) {}
};

// The first numbers of the rows read ahead, in the order they came, until the end or an
// error; the error's text goes to `failure`.
std::vector<double> FirstNumbers(const std::string& path, ReadAheadRows::Mode mode,
                                 std::string& failure) {
    Opened opened(path);
    ReadAheadRows rows(opened.file, opened.layout, opened.file.header.rows, mode);
    std::vector<double> firsts;
    failure = ReadFailure([&] {
        while (const DataSetRow* row = rows.Next()) {
            EXPECT_EQ(row->inputs[1], row->inputs[0] + 0.5);
            EXPECT_EQ(row->expectedOutputs[0], -row->inputs[0]);
            firsts.push_back(row->inputs[0]);
        }
        EXPECT_EQ(rows.Next(), nullptr);  // and stays at the end
    });
    return firsts;
}

// The failure of reading the same file row after row in the caller's thread.
std::string SequentialFailure(const std::string& path) {
    Opened opened(path);
    DataSetRow row;
    return ReadFailure([&] {
        for (std::int32_t r = 0; r < opened.file.header.rows; ++r) {
            ReadDataSetRow(opened.scratch, opened.file.in, opened.file.dataName, opened.layout, r,
                           row);
        }
        ReadDataSetTrailer(opened.scratch, opened.file);
    });
}

TEST(ReadAheadRows, DeliversEveryRowInOrderAcrossBatches) {
    TTempDir folder;
    for (const std::int32_t count :
         {0, 1, ReadAheadRows::kBatchRows - 1, ReadAheadRows::kBatchRows,
          ReadAheadRows::kBatchRows + 1, 5 * ReadAheadRows::kBatchRows + 3,
          static_cast<std::int32_t>(3 * ReadAheadRows::kBatches * ReadAheadRows::kBatchRows + 1)}) {
        const std::string path = folder.Write("rows.dat", RowsText(count));
        for (const ReadAheadRows::Mode mode : kModes) {
            std::string failure;
            const std::vector<double> firsts = FirstNumbers(path, mode, failure);
            EXPECT_EQ(failure, "") << count;
            ASSERT_EQ(firsts.size(), static_cast<std::size_t>(count));
            for (std::int32_t r = 0; r < count; ++r) {
                EXPECT_EQ(firsts[static_cast<std::size_t>(r)], r);
            }
        }
    }
}

// An error comes after the rows before it, with the text reading row by row gives, wherever
// it lies: in a row of the first or a later batch, or in the trailer.
TEST(ReadAheadRows, AnErrorTakesThePlaceOfTheRowsAfterIt) {
    TTempDir folder;
    const auto rows =
        static_cast<std::int32_t>(3 * ReadAheadRows::kBatches * ReadAheadRows::kBatchRows);
    const struct {
        std::string text;
        std::size_t rowsBefore;
    } cases[] = {
        {RowsText(rows, 0), 0},
        {RowsText(rows, 2 * ReadAheadRows::kBatchRows + 7), 2 * ReadAheadRows::kBatchRows + 7},
        {RowsText(rows, rows - 3), static_cast<std::size_t>(rows - 3)},
        {RowsText(rows, -1, "[~DataSet]\n"), static_cast<std::size_t>(rows)},
        {RowsText(rows, -1, "1 2 3\n[~Data]\n[~DataSet]\n"), static_cast<std::size_t>(rows)},
        {RowsText(rows).substr(0, RowsText(rows).rfind('\n', 2000)), 0},
    };
    for (const auto& c : cases) {
        const std::string path = folder.Write("broken.dat", c.text);
        const std::string expected = SequentialFailure(path);
        ASSERT_NE(expected, "");
        for (const ReadAheadRows::Mode mode : kModes) {
            std::string failure;
            const std::vector<double> firsts = FirstNumbers(path, mode, failure);
            EXPECT_EQ(failure, expected);
            if (c.rowsBefore > 0) {
                EXPECT_EQ(firsts.size(), c.rowsBefore) << expected;
            }
        }
    }
}

// A broken value is named by its row and its place in the row, whichever batch it lies in.
TEST(ReadAheadRows, AnErrorNamesItsRowAndColumn) {
    TTempDir folder;
    const auto rows = static_cast<std::int32_t>(3 * ReadAheadRows::kBatchRows);
    for (const std::int32_t broken : {0, ReadAheadRows::kBatchRows + 7, rows - 1}) {
        const std::string path = folder.Write("broken.dat", RowsText(rows, broken));
        for (const ReadAheadRows::Mode mode : kModes) {
            Opened opened(path);
            ReadAheadRows read(opened.file, opened.layout, rows, mode);
            try {
                while (read.Next() != nullptr) {
                }
                ADD_FAILURE() << "row " << broken << " was read";
            } catch (const Error& e) {
                EXPECT_EQ(e.row, broken + 1);
                EXPECT_EQ(e.column, 2);
            }
        }
    }
}

// A caller that stops early, or never asks, leaves no thread behind and does not wait for the
// rest of the file.
TEST(ReadAheadRows, StopsWhenTheCallerStopsEarly) {
    TTempDir folder;
    const std::string path = folder.Write("many.dat", RowsText(40 * ReadAheadRows::kBatchRows));
    for (const std::int32_t wanted : {0, 1, 3 * ReadAheadRows::kBatchRows}) {
        for (const ReadAheadRows::Mode mode : kModes) {
            Opened opened(path);
            ReadAheadRows rows(opened.file, opened.layout, opened.file.header.rows, mode);
            EXPECT_EQ(rows.ReadsAhead(), mode == ReadAheadRows::Mode::Automatic &&
                                             std::thread::hardware_concurrency() >= 2);
            for (std::int32_t r = 0; r < wanted; ++r) {
                const DataSetRow* row = rows.Next();
                ASSERT_NE(row, nullptr);
                EXPECT_EQ(row->inputs[0], r);
            }
        }
    }
}

}  // namespace
