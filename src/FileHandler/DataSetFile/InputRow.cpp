#include "FileHandler/DataSetFile/InputRow.h"

#include <cmath>

#include "DataObject/Data.h"
#include "FileHandler/CsvFile/CsvDataSet.h"
#include "FileHandler/DataSetFile/Filer.h"
#include "FileHandler/Syntax/FileContext.h"
#include "KQmessage/TArgumentError.h"
#include "KQmessage/WholeNumber.h"
#include "Zorf/TNonFiniteInput.h"

namespace FileTools {

namespace {

using Arguments::Quoted;
using Arguments::Refuse;

std::string Counted(std::size_t count, const std::string& noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::vector<double> GivenValues(std::string_view text) {
    std::vector<double> values;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string_view item = text.substr(start, end - start);
        const std::optional<double> value = WholeNumber::Real(item);
        if (!value) {
            Refuse("--values: " + Quoted(item) + " is not a number");
        }
        if (!std::isfinite(*value)) {
            Refuse("--values: " + Quoted(item) + " is not a finite number");
        }
        values.push_back(*value);
        start = end + 1;
    }
    return values;
}

std::vector<double> RowOfFile(const std::string& fileName, std::string_view rowText) {
    const std::optional<std::int32_t> number = WholeNumber::Count(rowText);
    if (!number || *number < 1) {
        Refuse("--row must be a row number from 1, not " + Quoted(rowText));
    }
    const std::unique_ptr<Data> data = RefusingFileFailures(fileName, [&fileName] {
        ScratchBuffer scratch;
        LoadedDataSet loaded = LoadAnyDataSet(scratch, fileName);
        if (!loaded.data) {
            Refuse(fileName + ": " + StatusText(loaded.status));
        }
        return std::move(loaded.data);
    });
    if (*number > data->MbrNdxDataRows) {
        Refuse("--row: row " + std::string(rowText) + " is not one of " + fileName + " (it has " +
               Counted(static_cast<std::size_t>(data->MbrNdxDataRows), "row") +
               ", counted from 1)");
    }
    std::vector<double> row(static_cast<std::size_t>(data->MbrNdxInputs));
    for (std::size_t column = 0; column < row.size(); ++column) {
        row[column] = data->GetInputDatum(*number - 1, static_cast<std::int32_t>(column));
    }
    if (const std::optional<std::size_t> bad = FirstNonFinite(row.data(), row.size())) {
        Refuse(fileName + ", row " + std::to_string(*number) + ", column " +
               std::to_string(*bad + 1) + ": Input is not a finite number");
    }
    return row;
}

}  // namespace

std::vector<double> ChooseInputRow(const InputRowOptions& options, std::int32_t inputs,
                                   const std::string& networkFile) {
    const bool fromFile = options.dataFile || options.row;
    if (options.values.has_value() == fromFile ||
        (fromFile && !(options.dataFile && options.row))) {
        Refuse("give the row as --values V,V,... or as --data FILE --row N");
    }
    std::vector<double> row = fromFile ? RowOfFile(std::string(*options.dataFile), *options.row)
                                       : GivenValues(*options.values);
    if (row.size() != static_cast<std::size_t>(inputs)) {
        const std::string given =
            fromFile ? std::string(*options.dataFile) + ": the row holds " : "--values: ";
        Refuse(given + Counted(row.size(), "value") + ", " + networkFile + " takes " +
               Counted(static_cast<std::size_t>(inputs), "input"));
    }
    return row;
}

}  // namespace FileTools
