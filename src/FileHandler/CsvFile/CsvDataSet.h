// Data sets in CSV files, as users keep them: a header row of column names, then one row per
// record. Which columns are inputs and which are expected outputs is chosen by name (or by
// the column's number from 1, "#3", for a name that holds blanks or commas), not counted. A
// target column of words is a class column: each class becomes one output, 1 for the row's
// class and 0 for the others, the one-hot form the trainer treats as classification.
//
// Every refusal is a FileTools::Error with the line (from 1) and, where a field is meant, the
// column (from 1) of the file; the caller adds the file's name.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DataObject/Data.h"
#include "FileHandler/CsvFile/CsvRecords.h"
#include "FileHandler/DataSetFile/Filer.h"
#include "Zorf/ZorfDataInfo.h"

namespace FileTools {

// A file whose name ends in ".csv", in any letter case.
ZORF_EXPORT bool IsCsvFileName(std::string_view fileName);

// "a,b,#3" as the list of column names it holds; an empty text holds none.
ZORF_EXPORT std::vector<std::string> ColumnList(std::string_view text);

struct ZORF_EXPORT TCsvColumnChoice {
    // The expected outputs, in output order.
    std::vector<std::string> targets;
    // The inputs, in input order; none takes every column that is not a target, in file order.
    std::vector<std::string> inputs;
    // Whether every target column is a class column, numbers too (classes numbered 1, 2, 3).
    bool classColumns = false;
    // Per target, the class names already known (from the training rows or the network): the
    // rows must keep to them, and the outputs follow their order.
    std::vector<std::vector<std::string>> knownClasses;
};

struct ZORF_EXPORT TCsvTarget {
    std::string name;
    // A class column's classes, one output each, in output order; none for a column of numbers.
    std::vector<std::string> classes;
};

struct ZORF_EXPORT TCsvDataSet {
    std::unique_ptr<Data> data;
    std::vector<std::string> inputNames;
    std::vector<TCsvTarget> targets;
};

// What a network made for these rows records of them: the inputs' names and ranges, each
// output's name ("column=class" for a class), the range of a target column that leaves
// [0, 1], and the class columns. `features` (from 0; none: every input) are the inputs the
// network takes.
ZORF_EXPORT TZorfDataInfo DescribeCsvDataSet(const TCsvDataSet& loaded,
                                             const std::vector<std::int32_t>& features = {});
// The columns of a CSV file that a network's description names, where `choice` names none.
ZORF_EXPORT TCsvColumnChoice ColumnsOfNetwork(TCsvColumnChoice choice, const TZorfDataInfo& info);
// The expected outputs of `data` with a recorded range, taken into [0, 1] over it.
ZORF_EXPORT void ScaleTargets(Data& data, const TZorfDataInfo& info);
// For rows of a data set file, whose outputs have no names: one description per output, with
// its range over the rows where it leaves [0, 1]; none at all when every output stays inside.
ZORF_EXPORT std::vector<TZorfColumnInfo> OutputRangesOutsideUnit(const Data& data);

// The whole file as one data set of inputs and expected outputs. Raises FileTools::Error for a
// file that cannot be opened (Messages::kOpenFailed) and for every fault of its text.
ZORF_EXPORT TCsvDataSet LoadCsvDataSet(const std::string& fileName, const TCsvColumnChoice& choice);
// The same from a text held in memory.
ZORF_EXPORT TCsvDataSet ReadCsvDataSet(InputStream& in, const TCsvColumnChoice& choice);

// The header of a CSV file and its rows, each as wide as the header; a line left empty is
// skipped where rows have more than one column.
class ZORF_EXPORT TCsvTable {
  public:
    // Reads the header: refuses an empty file and a name given twice.
    explicit TCsvTable(InputStream& in);

    bool Next(std::vector<std::string>& fields);
    // The column of `name` (or "#N"), from 0; `setting` names the choice in a refusal.
    std::size_t ColumnOf(std::string_view name, std::string_view setting) const;
    // The columns of `names`, each at most once and none of `taken`.
    std::vector<std::size_t> Columns(const std::vector<std::string>& names,
                                     std::string_view setting,
                                     const std::vector<std::size_t>& taken) const;
    // The chosen inputs, or every column that is not one of `targets`.
    std::vector<std::size_t> InputColumns(const TCsvColumnChoice& choice,
                                          const std::vector<std::size_t>& targets) const;
    // The number in `text`, a field of input column `column` of the row last read.
    double Input(const std::string& text, std::size_t column) const;

    std::int64_t Line() const { return records.Line(); }
    const std::vector<std::string>& Header() const { return header; }

  private:
    TCsvRecords records;
    std::vector<std::string> header;
};

// The input columns of a CSV row by row, for recall: memory stays at one row.
class ZORF_EXPORT TCsvInputRows {
  public:
    // Reads the header; targets of `choice` that the file holds are left out of the inputs.
    TCsvInputRows(InputStream& input, const TCsvColumnChoice& choice);

    // The next row's inputs; false after the last row.
    bool Next(std::vector<double>& inputs);
    // The fields of the row last read.
    const std::vector<std::string>& Fields() const { return fields; }
    const TCsvTable& Table() const { return table; }
    const std::vector<std::string>& InputNames() const { return inputNames; }

  private:
    TCsvTable table;
    std::vector<std::string> fields;
    std::vector<std::size_t> inputColumns;
    std::vector<std::string> inputNames;
};

// The rows of a data set file or, for a name ending in ".csv", of a CSV file whose columns are
// all inputs (or those chosen). ERR_OPEN_FAILED and no data set when the file cannot be opened.
ZORF_EXPORT LoadedDataSet LoadAnyDataSet(ScratchBuffer& scratch, const std::string& fileName,
                                         const TCsvColumnChoice& choice = {});

// Counts the records after the header, for a writer that must give the row count first.
ZORF_EXPORT std::int64_t CountCsvRows(InputStream& in);

}  // namespace FileTools
