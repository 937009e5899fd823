#include "FileHandler/CsvFile/CsvDataSet.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "FileHandler/Syntax/FileMessages.h"
#include "KQmessage/NumberText.h"
#include "KQmessage/StrCaseCmp.h"
#include "KQmessage/WholeNumber.h"

namespace FileTools {

namespace {

[[noreturn]] void Refuse(std::int64_t line, std::optional<std::size_t> column,
                         const std::string& problem) {
    Error error(problem);
    error.line = line;
    if (column) {
        error.column = static_cast<std::int64_t>(*column) + 1;
    }
    throw error;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// The spellings of a value left out, as spreadsheets and pandas write them.
bool IsMissing(std::string_view text) {
    return text.empty() || text == "NA" || text == "N/A" || KQML::strcasecmp(text, "nan") == 0;
}

std::string MissingText(std::string_view text) {
    return text.empty() ? std::string("an empty field") : Quoted(text);
}

// A number in the C locale: the decimal forms, with a leading '+' or a point before the first
// digit as other programs write them.
// A plain decimal number filling the whole text. The text's terminating NUL shows the scanner
// where the number ends, so no copy is made: this runs for every number of a file.
std::optional<double> PlainDecimal(const std::string& text) {
    const std::optional<NumberText::LeadingReal> leading =
        NumberText::ScanLeadingDecimal(std::string_view(text.data(), text.size() + 1));
    if (!leading || leading->length != text.size()) {
        return std::nullopt;
    }
    return leading->value;
}

std::optional<double> CsvNumber(const std::string& text) {
    if (const std::optional<double> value = PlainDecimal(text)) {
        return value;
    }
    std::string form(text);
    if (form.starts_with('+')) {
        form.erase(0, 1);
    }
    const std::size_t point = form.starts_with('-') ? 1 : 0;
    if (form.size() > point && form[point] == '.') {
        form.insert(point, "0");
    }
    if (form == text || form.starts_with("-") != text.starts_with("-")) {
        return std::nullopt;
    }
    return PlainDecimal(form);
}

// A target column's text, row by row, until all rows are read and the column's kind is known.
struct TTargetTexts {
    std::size_t column = 0;
    std::vector<std::string> texts;
    std::vector<std::int64_t> lines;
};

// Classes given as numbers are ordered as numbers, others as text.
void SortClasses(std::vector<std::string>& classes) {
    const bool numbers = std::all_of(classes.begin(), classes.end(), [](const std::string& name) {
        return CsvNumber(name).has_value();
    });
    std::sort(classes.begin(), classes.end(),
              [numbers](const std::string& a, const std::string& b) {
                  return numbers ? *CsvNumber(a) < *CsvNumber(b) : a < b;
              });
}

// The column's outputs, row by row: one number, or one output per class.
std::vector<std::vector<double>> TargetOutputs(const TTargetTexts& target, const std::string& name,
                                               const TCsvColumnChoice& choice,
                                               std::size_t targetIndex, TCsvTarget& described) {
    const std::vector<std::string> noClasses;
    const std::vector<std::string>& known =
        targetIndex < choice.knownClasses.size() ? choice.knownClasses[targetIndex] : noClasses;
    const auto word = std::find_if(target.texts.begin(), target.texts.end(),
                                   [](const std::string& text) { return !CsvNumber(text); });
    std::vector<std::vector<double>> outputs(target.texts.size());
    for (std::size_t row = 0; row < target.texts.size(); ++row) {
        if (IsMissing(target.texts[row])) {
            Refuse(target.lines[row], target.column,
                   "a missing value (" + MissingText(target.texts[row]) + ") in target column " +
                       Quoted(name));
        }
    }
    const bool classes = choice.classColumns || !known.empty() || word != target.texts.end();
    described.name = name;
    if (!classes) {
        for (std::size_t row = 0; row < target.texts.size(); ++row) {
            outputs[row] = {*CsvNumber(target.texts[row])};
        }
        return outputs;
    }
    if (!choice.classColumns && known.empty()) {
        for (std::size_t row = 0; row < target.texts.size(); ++row) {
            if (CsvNumber(target.texts[row])) {
                Refuse(target.lines[row], target.column,
                       Quoted(target.texts[row]) + " is a number in class column " + Quoted(name) +
                           ", whose values are words (" + Quoted(*word) + ")");
            }
        }
    }
    described.classes = known;
    if (known.empty()) {
        described.classes = target.texts;
        SortClasses(described.classes);
        described.classes.erase(std::unique(described.classes.begin(), described.classes.end()),
                                described.classes.end());
    }
    for (std::size_t row = 0; row < target.texts.size(); ++row) {
        const auto found =
            std::find(described.classes.begin(), described.classes.end(), target.texts[row]);
        if (found == described.classes.end()) {
            Refuse(target.lines[row], target.column,
                   "the class " + Quoted(target.texts[row]) + " of column " + Quoted(name) +
                       " is not one of the network's classes");
        }
        outputs[row].assign(described.classes.size(), 0.0);
        outputs[row][static_cast<std::size_t>(found - described.classes.begin())] = 1.0;
    }
    return outputs;
}

}  // namespace

TCsvTable::TCsvTable(InputStream& in) : records(in) {
    if (!records.Next(header)) {
        Refuse(1, std::nullopt, "the file is empty: a header row of column names is expected");
    }
    for (std::size_t column = 0; column < header.size(); ++column) {
        const std::string& name = header[column];
        const auto first = std::find(header.begin(), header.end(), name);
        if (!name.empty() && first != header.begin() + static_cast<std::ptrdiff_t>(column)) {
            Refuse(1, column,
                   "the column name " + Quoted(name) + " is given twice (columns " +
                       std::to_string(first - header.begin() + 1) + " and " +
                       std::to_string(column + 1) + ")");
        }
    }
}

bool TCsvTable::Next(std::vector<std::string>& fields) {
    for (;;) {
        if (!records.Next(fields)) {
            return false;
        }
        if (header.size() > 1 && fields.size() == 1 && fields.front().empty()) {
            continue;
        }
        if (fields.size() != header.size()) {
            Refuse(records.Line(), std::nullopt,
                   "the row has " + std::to_string(fields.size()) + " fields, the header " +
                       std::to_string(header.size()));
        }
        return true;
    }
}

std::size_t TCsvTable::ColumnOf(std::string_view name, std::string_view setting) const {
    if (name.starts_with('#')) {
        const std::optional<std::int32_t> number = WholeNumber::Count(name.substr(1));
        if (!number || *number < 1 || static_cast<std::size_t>(*number) > header.size()) {
            Refuse(1, std::nullopt,
                   std::string(setting) + ": " + Quoted(name) + " is not a column (the file has " +
                       std::to_string(header.size()) + ", numbered from #1)");
        }
        return static_cast<std::size_t>(*number - 1);
    }
    const auto found = std::find(header.begin(), header.end(), name);
    if (found == header.end()) {
        std::string known;
        for (const std::string& column : header) {
            known += (known.empty() ? "" : ", ") + Quoted(column);
        }
        Refuse(1, std::nullopt,
               std::string(setting) + ": no column " + Quoted(name) + " in the header (" + known +
                   ")");
    }
    return static_cast<std::size_t>(found - header.begin());
}

std::vector<std::size_t> TCsvTable::Columns(const std::vector<std::string>& names,
                                            std::string_view setting,
                                            const std::vector<std::size_t>& taken) const {
    std::vector<std::size_t> columns;
    for (const std::string& name : names) {
        const std::size_t column = ColumnOf(name, setting);
        if (std::find(columns.begin(), columns.end(), column) != columns.end()) {
            Refuse(1, column,
                   std::string(setting) + ": column " + Quoted(header[column]) + " is named twice");
        }
        if (std::find(taken.begin(), taken.end(), column) != taken.end()) {
            Refuse(1, column,
                   std::string(setting) + ": column " + Quoted(header[column]) +
                       " is a target, not an input");
        }
        columns.push_back(column);
    }
    return columns;
}

std::vector<std::size_t> TCsvTable::InputColumns(const TCsvColumnChoice& choice,
                                                 const std::vector<std::size_t>& targets) const {
    if (!choice.inputs.empty()) {
        return Columns(choice.inputs, "InputColumns", targets);
    }
    std::vector<std::size_t> columns;
    for (std::size_t column = 0; column < header.size(); ++column) {
        if (std::find(targets.begin(), targets.end(), column) == targets.end()) {
            columns.push_back(column);
        }
    }
    if (columns.empty()) {
        Refuse(1, std::nullopt, "no column is left for the inputs");
    }
    return columns;
}

double TCsvTable::Input(const std::string& text, std::size_t column) const {
    const std::optional<double> value = IsMissing(text) ? std::nullopt : CsvNumber(text);
    if (!value) {
        Refuse(Line(), column,
               (IsMissing(text) ? "a missing value (" + MissingText(text) + ")"
                                : Quoted(text) + " is not a number,") +
                   " in input column " + Quoted(header[column]));
    }
    return *value;
}

bool IsCsvFileName(std::string_view fileName) {
    constexpr std::string_view kSuffix = ".csv";
    return fileName.size() > kSuffix.size() &&
           KQML::strcasecmp(fileName.substr(fileName.size() - kSuffix.size()), kSuffix) == 0;
}

std::vector<std::string> ColumnList(std::string_view text) {
    std::vector<std::string> names;
    if (text.empty()) {
        return names;
    }
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        names.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

TCsvDataSet ReadCsvDataSet(InputStream& in, const TCsvColumnChoice& choice) {
    TCsvTable table(in);
    const std::vector<std::size_t> targetColumns =
        table.Columns(choice.targets, "TargetColumns", {});
    const std::vector<std::size_t> inputColumns = table.InputColumns(choice, targetColumns);
    std::vector<TTargetTexts> targets(targetColumns.size());
    for (std::size_t t = 0; t < targets.size(); ++t) {
        targets[t].column = targetColumns[t];
    }
    std::vector<double> inputs;
    std::vector<std::string> fields;
    std::size_t rows = 0;
    while (table.Next(fields)) {
        for (const std::size_t column : inputColumns) {
            inputs.push_back(table.Input(fields[column], column));
        }
        for (TTargetTexts& target : targets) {
            target.texts.push_back(std::move(fields[target.column]));
            target.lines.push_back(table.Line());
        }
        ++rows;
    }
    if (rows == 0) {
        Refuse(table.Line() + 1, std::nullopt, "the file holds a header but no rows");
    }
    TCsvDataSet loaded;
    for (const std::size_t column : inputColumns) {
        loaded.inputNames.push_back(table.Header()[column]);
    }
    loaded.targets.resize(targets.size());
    std::vector<std::vector<std::vector<double>>> outputs;
    std::size_t outputCount = 0;
    for (std::size_t t = 0; t < targets.size(); ++t) {
        outputs.push_back(TargetOutputs(targets[t], table.Header()[targets[t].column], choice, t,
                                        loaded.targets[t]));
        outputCount += outputs.back().front().size();
    }
    loaded.data = std::make_unique<Data>(static_cast<std::int32_t>(rows),
                                         static_cast<std::int32_t>(inputColumns.size()),
                                         static_cast<std::int32_t>(outputCount), false);
    std::vector<double> rowOutputs;
    for (std::size_t row = 0; row < rows; ++row) {
        rowOutputs.clear();
        for (const std::vector<std::vector<double>>& target : outputs) {
            rowOutputs.insert(rowOutputs.end(), target[row].begin(), target[row].end());
        }
        loaded.data->AppendRow(
            std::span<const double>(inputs).subspan(row * inputColumns.size(), inputColumns.size()),
            rowOutputs, nullptr);
    }
    return loaded;
}

TZorfDataInfo DescribeCsvDataSet(const TCsvDataSet& loaded,
                                 const std::vector<std::int32_t>& features) {
    const Data& data = *loaded.data;
    const auto rangeOf = [&data](std::int32_t column, bool output) {
        TZorfRange range{0.0, 0.0};
        for (std::int32_t row = 0; row < data.MbrNdxDataRows; ++row) {
            const double value =
                output ? data.GetOutputDatum(row, column) : data.GetInputDatum(row, column);
            range.low = row == 0 ? value : std::min(range.low, value);
            range.high = row == 0 ? value : std::max(range.high, value);
        }
        return range;
    };
    TZorfDataInfo info;
    std::vector<std::int32_t> inputs = features;
    if (inputs.empty()) {
        for (std::int32_t column = 0; column < data.MbrNdxInputs; ++column) {
            inputs.push_back(column);
        }
    }
    for (const std::int32_t column : inputs) {
        info.inputs.push_back(
            {loaded.inputNames[static_cast<std::size_t>(column)], rangeOf(column, false), {}});
    }
    std::int32_t output = 0;
    for (const TCsvTarget& target : loaded.targets) {
        if (target.classes.empty()) {
            const TZorfRange range = rangeOf(output++, true);
            info.outputs.push_back(
                {target.name,
                 range.low < 0.0 || range.high > 1.0 ? std::optional(range) : std::nullopt,
                 {}});
            continue;
        }
        info.classColumns.push_back({target.name, output, target.classes});
        for (const std::string& name : target.classes) {
            info.outputs.push_back({target.name + "=" + name, std::nullopt, {}});
            ++output;
        }
    }
    return info;
}

TCsvColumnChoice ColumnsOfNetwork(TCsvColumnChoice choice, const TZorfDataInfo& info) {
    const auto named = [](const std::vector<TZorfColumnInfo>& columns) {
        return std::none_of(columns.begin(), columns.end(),
                            [](const TZorfColumnInfo& c) { return c.name.empty(); });
    };
    if (choice.inputs.empty() && named(info.inputs)) {
        for (const TZorfColumnInfo& input : info.inputs) {
            choice.inputs.push_back(input.name);
        }
    }
    if (choice.targets.empty() && named(info.outputs)) {
        for (std::int32_t output = 0; output < static_cast<std::int32_t>(info.outputs.size());
             ++output) {
            const TZorfClassColumn* column = info.ClassColumnOf(output);
            if (column == nullptr) {
                choice.targets.push_back(info.outputs[static_cast<std::size_t>(output)].name);
            } else if (column->firstOutput == output) {
                choice.targets.push_back(column->name);
            }
        }
    }
    choice.knownClasses.clear();
    for (const std::string& target : choice.targets) {
        const auto column =
            std::find_if(info.classColumns.begin(), info.classColumns.end(),
                         [&target](const TZorfClassColumn& c) { return c.name == target; });
        choice.knownClasses.push_back(
            column != info.classColumns.end() ? column->classes : std::vector<std::string>{});
    }
    return choice;
}

std::vector<TZorfColumnInfo> OutputRangesOutsideUnit(const Data& data) {
    std::vector<TZorfColumnInfo> outputs(static_cast<std::size_t>(data.MbrNdxOutputs));
    bool outside = false;
    for (std::int32_t column = 0; column < data.MbrNdxOutputs; ++column) {
        TZorfRange range{0.0, 0.0};
        for (std::int32_t row = 0; row < data.MbrNdxDataRows; ++row) {
            const double value = data.GetOutputDatum(row, column);
            range.low = row == 0 ? value : std::min(range.low, value);
            range.high = row == 0 ? value : std::max(range.high, value);
        }
        if (range.low < 0.0 || range.high > 1.0) {
            outputs[static_cast<std::size_t>(column)].range = range;
            outside = true;
        }
    }
    return outside ? outputs : std::vector<TZorfColumnInfo>{};
}

void ScaleTargets(Data& data, const TZorfDataInfo& info) {
    for (std::size_t output = 0; output < info.outputs.size(); ++output) {
        const std::optional<TZorfRange>& range = info.outputs[output].range;
        const auto column = static_cast<std::int32_t>(output);
        if (!range || column >= data.MbrNdxOutputs) {
            continue;
        }
        for (std::int32_t row = 0; row < data.MbrNdxDataRows; ++row) {
            data.SetOutputDatum(row, column,
                                InUnitInterval(*range, data.GetOutputDatum(row, column)));
        }
    }
}

TCsvDataSet LoadCsvDataSet(const std::string& fileName, const TCsvColumnChoice& choice) {
    std::optional<InputStream> in = InputStream::Open(fileName);
    if (!in) {
        throw Error(Messages::kOpenFailed);
    }
    return ReadCsvDataSet(*in, choice);
}

TCsvInputRows::TCsvInputRows(InputStream& input, const TCsvColumnChoice& choice) : table(input) {
    // Targets a recall file may still hold are no inputs; one it lacks is no fault.
    std::vector<std::size_t> targets;
    for (const std::string& name : choice.targets) {
        const auto found = std::find(table.Header().begin(), table.Header().end(), name);
        if (found != table.Header().end()) {
            targets.push_back(static_cast<std::size_t>(found - table.Header().begin()));
        }
    }
    inputColumns = table.InputColumns(choice, targets);
    for (const std::size_t column : inputColumns) {
        inputNames.push_back(table.Header()[column]);
    }
}

bool TCsvInputRows::Next(std::vector<double>& inputs) {
    if (!table.Next(fields)) {
        return false;
    }
    inputs.resize(inputColumns.size());
    for (std::size_t i = 0; i < inputColumns.size(); ++i) {
        inputs[i] = table.Input(fields[inputColumns[i]], inputColumns[i]);
    }
    return true;
}

LoadedDataSet LoadAnyDataSet(ScratchBuffer& scratch, const std::string& fileName,
                             const TCsvColumnChoice& choice) {
    if (!IsCsvFileName(fileName)) {
        return LoadDataSet(scratch, fileName);
    }
    std::optional<InputStream> in = InputStream::Open(fileName);
    if (!in) {
        return {ERR_OPEN_FAILED, nullptr};
    }
    // Inputs chosen by name need no targets beside them: a file of inputs alone will do.
    TCsvColumnChoice inputs = choice;
    if (!inputs.inputs.empty()) {
        inputs.targets.clear();
        inputs.knownClasses.clear();
    }
    return {SUCCESS, ReadCsvDataSet(*in, inputs).data};
}

std::int64_t CountCsvRows(InputStream& in) {
    TCsvRecords records(in);
    std::vector<std::string> fields;
    if (!records.Next(fields)) {
        return 0;
    }
    const std::size_t width = fields.size();
    std::int64_t rows = 0;
    while (records.Next(fields)) {
        rows += width > 1 && fields.size() == 1 && fields.front().empty() ? 0 : 1;
    }
    return rows;
}

}  // namespace FileTools
