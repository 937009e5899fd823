// The one row of inputs a program explains or draws: given on its command line as values
// (--values 0.2,0.7) or as a row of a data set file (--data FILE --row N, N counted from 1 as
// recall's reports count rows).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace FileTools {

struct InputRowOptions {
    std::optional<std::string_view> values;
    std::optional<std::string_view> dataFile;
    std::optional<std::string_view> row;
};

// The row for a network of `inputs` inputs (read from `networkFile`). Refuses with
// TArgumentError, naming the option or the file: neither or both ways given, a value that is
// not a finite number, a row number outside the file, a row of another length than the
// network's inputs, and whatever the data set file breaks.
std::vector<double> ChooseInputRow(const InputRowOptions& options, std::int32_t inputs,
                                   const std::string& networkFile);

}  // namespace FileTools
