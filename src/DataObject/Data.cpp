#include "DataObject/Data.h"

#include <algorithm>

#include "KQmessage/Check.h"
#include "KQmessage/KQML.h"
#include "KQmessage/TException.h"

namespace {

constexpr const char* kInvalidRow = "Invalid Data Row";
constexpr const char* kInvalidInputColumn = "Invalid Input Data Column";
constexpr const char* kInvalidOutputColumn = "Invalid Output Data Column";

[[noreturn]] void Refuse(const char* message, const char* where) {
    throw TException(message, kBadParameter, where);
}

std::size_t Index(std::int32_t value) {
    return static_cast<std::size_t>(value);
}

// The copied values of an optional column list.
std::optional<std::vector<std::int32_t>> CopyOf(std::optional<Data::ColumnList> columns) {
    if (!columns) {
        return std::nullopt;
    }
    return std::vector<std::int32_t>(columns->begin(), columns->end());
}

void CopyRow(std::span<const double> row, std::span<double> buffer) {
    ZORF_ASSERT(buffer.size() >= row.size());
    std::copy(row.begin(), row.end(), buffer.begin());
}

void CopyColumns(std::span<const double> row, Data::ColumnList columns, std::span<double> buffer) {
    ZORF_ASSERT(buffer.size() >= columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        buffer[i] = row[Index(columns[i])];
    }
}

// Entry k of an array of row buffers, none when the array or the entry is missing.
template <class Value>
std::span<Value> RowBuffer(std::span<Value* const> rows, std::size_t k, std::int32_t size) {
    Value* values = k < rows.size() ? rows[k] : nullptr;
    if (values == nullptr) {
        return {};
    }
    return {values, Index(size)};
}

template <class Values>
auto SlotValues(Values& values, std::int32_t slot, std::int32_t columns) {
    return std::span(values).subspan(Index(slot) * Index(columns), Index(columns));
}

// Given values replace the slot's; no values leave them as they are.
void StoreValues(std::span<const double> values, std::span<double> slot) {
    if (values.empty()) {
        return;
    }
    ZORF_ASSERT(values.size() >= slot.size());
    std::copy_n(values.begin(), slot.size(), slot.begin());
}

}  // namespace

Data::Data(std::int32_t rows, std::int32_t inputs, std::int32_t outputs, bool keepLabels)
    : MbrNdxRows(rows), MbrNdxInputs(inputs), MbrNdxOutputs(outputs), MbrFlgLabels(keepLabels) {
    if (rows < 0 || inputs < 0 || outputs < 0) {
        Refuse("Invalid Data Set Size", "Data::Data");
    }
}

Data::~Data() = default;

std::unique_ptr<Data> Data::Clone() const {
    auto clone = std::make_unique<Data>(MbrNdxRows, MbrNdxInputs, MbrNdxOutputs, MbrFlgLabels);
    static_cast<TDataContents&>(*clone) = *this;
    return clone;
}

bool Data::IsValidRow(std::int32_t row) const {
    if (MbrNdxRowsStored == 0 || row < 0 || row >= MbrNdxRows) {
        return false;
    }
    if (MbrNdxFirst <= MbrNdxLast) {
        return row >= MbrNdxFirst && row <= MbrNdxLast;
    }
    return row >= MbrNdxFirst || row <= MbrNdxLast;
}

double Data::GetInputDatum(std::int32_t row, std::int32_t column) const {
    return MbrDyaRtpInputs[InputDatum(row, column, "Data::GetInputDatum")];
}

double Data::GetOutputDatum(std::int32_t row, std::int32_t column) const {
    return MbrDyaRtpOutputs[OutputDatum(row, column, "Data::GetOutputDatum")];
}

void Data::SetInputDatum(std::int32_t row, std::int32_t column, double value) {
    const std::size_t at = InputDatum(row, column, "Data::SetInputDatum");
    ++MbrNdxChanges;
    MbrDyaRtpInputs[at] = value;
}

void Data::SetOutputDatum(std::int32_t row, std::int32_t column, double value) {
    const std::size_t at = OutputDatum(row, column, "Data::SetOutputDatum");
    ++MbrNdxChanges;
    MbrDyaRtpOutputs[at] = value;
}

const TLabelList* Data::GetLabels(std::int32_t row) const {
    RequireRow(row, "Data::GetLabels");
    return MbrFlgLabels ? &MbrDyaLabels[Index(row)] : nullptr;
}

void Data::SetLabels(std::int32_t row, const TLabelList* labels) {
    RequireRow(row, "Data::SetLabels");
    RequireLabels("Data::SetLabels");
    ++MbrNdxChanges;
    MbrDyaLabels[Index(row)] = labels != nullptr ? *labels : TLabelList();
}

void Data::ClearLabels(std::int32_t row) {
    RequireRow(row, "Data::ClearLabels");
    RequireLabels("Data::ClearLabels");
    ++MbrNdxChanges;
    MbrDyaLabels[Index(row)] = TLabelList();
}

void Data::AppendLabel(std::int32_t row, double value, std::string_view name) {
    RequireRow(row, "Data::AppendLabel");
    RequireLabels("Data::AppendLabel");
    ++MbrNdxChanges;
    MbrDyaLabels[Index(row)].AddLabel(name, value);
}

void Data::SetRow(std::int32_t row, std::span<const double> inputs, std::span<const double> outputs,
                  const TLabelList* labels) {
    RequireRow(row, "Data::SetRow");
    ++MbrNdxChanges;
    StoreValues(inputs, InputsOf(row));
    StoreValues(outputs, OutputsOf(row));
    if (MbrFlgLabels) {
        SetLabels(row, labels);
    }
}

void Data::GetInputRow(std::int32_t row, std::span<double> buffer) const {
    RequireRow(row, "Data::GetInputRow");
    CopyRow(InputsOf(row), buffer);
}

void Data::GetInputRow(std::int32_t row, std::span<double> buffer, ColumnList columns) const {
    RequireRow(row, "Data::GetInputRow");
    RequireColumns(columns, MbrNdxInputs, kInvalidInputColumn, "Data::GetInputRow");
    CopyColumns(InputsOf(row), columns, buffer);
}

void Data::GetOutputRow(std::int32_t row, std::span<double> buffer) const {
    RequireRow(row, "Data::GetOutputRow");
    CopyRow(OutputsOf(row), buffer);
}

void Data::GetOutputRow(std::int32_t row, std::span<double> buffer, ColumnList columns) const {
    RequireRow(row, "Data::GetOutputRow");
    RequireColumns(columns, MbrNdxOutputs, kInvalidOutputColumn, "Data::GetOutputRow");
    CopyColumns(OutputsOf(row), columns, buffer);
}

std::int32_t Data::GetBlock(std::span<double* const> inputRows, std::span<double* const> outputRows,
                            std::int32_t first, std::int32_t last) const {
    if (!IsValidRow(first)) {
        Refuse("Data Block Fault", "Data::GetBlock");
    }
    last = std::min(last, MbrNdxLast);
    std::int32_t count = 0;
    for (std::int32_t row = first; row <= last; ++row, ++count) {
        const std::size_t k = Index(count);
        GetInputRow(row, RowBuffer(inputRows, k, MbrNdxInputs));
        GetOutputRow(row, RowBuffer(outputRows, k, MbrNdxOutputs));
    }
    return count;
}

void Data::AppendRow(std::span<const double> inputs, std::span<const double> outputs,
                     const TLabelList* labels) {
    if (MbrNdxRows == 0) {
        Refuse("No Data Row Slots", "Data::AppendRow");
    }
    ZORF_ASSERT(MbrNdxRowsStored <= MbrNdxRows);
    ++MbrNdxChanges;
    if (MbrNdxRowsStored < MbrNdxRows) {
        HoldSlot(MbrNdxRowsStored);
        MbrNdxLast = MbrNdxRowsStored;
        ++MbrNdxRowsStored;
    } else {
        MbrNdxFirst = (MbrNdxFirst + 1) % MbrNdxRows;
        MbrNdxLast = (MbrNdxLast + 1) % MbrNdxRows;
    }
    SetRow(MbrNdxLast, inputs, outputs, labels);
}

void Data::AppendRows(std::span<const double* const> inputRows,
                      std::span<const double* const> outputRows, std::int32_t count,
                      std::span<const TLabelList> labels) {
    for (std::int32_t i = 0; i < count; ++i) {
        const std::size_t k = Index(i);
        AppendRow(RowBuffer(inputRows, k, MbrNdxInputs), RowBuffer(outputRows, k, MbrNdxOutputs),
                  labels.empty() ? nullptr : &labels[k]);
    }
}

void Data::CopySelected(std::span<const double> row,
                        const std::optional<std::vector<std::int32_t>>& selection,
                        std::span<double> buffer) {
    if (selection) {
        CopyColumns(row, *selection, buffer);
    } else {
        CopyRow(row, buffer);
    }
}

void Data::SelectFeatures(ColumnList features) {
    RequireColumns(features, MbrNdxInputs, kInvalidInputColumn, "Data::SelectFeatures");
    MbrDyaFeatures = CopyOf(features);
}

std::optional<std::vector<std::int32_t>> Data::GetFeatures() const {
    return MbrDyaFeatures;
}

std::int32_t Data::GetNumSelectedInputs() const {
    return MbrDyaFeatures ? static_cast<std::int32_t>(MbrDyaFeatures->size()) : MbrNdxInputs;
}

std::int32_t Data::GetNumSelectedOutputs() const {
    return MbrDyaOutFeatures ? static_cast<std::int32_t>(MbrDyaOutFeatures->size()) : MbrNdxOutputs;
}

void Data::SetFeatures(std::optional<ColumnList> features, std::optional<ColumnList> outFeatures) {
    if (features) {
        RequireColumns(*features, MbrNdxInputs, kInvalidInputColumn, "Data::SetFeatures");
    }
    if (outFeatures) {
        RequireColumns(*outFeatures, MbrNdxOutputs, kInvalidOutputColumn, "Data::SetFeatures");
    }
    MbrDyaFeatures = CopyOf(features);
    MbrDyaOutFeatures = CopyOf(outFeatures);
}

void Data::Rewind() {
    MbrNdxCurrent = MbrNdxLast;
}

void Data::Advance(int step) {
    RequireStoredRow("Data::Advance");
    MbrNdxCurrent = StepFrom(MbrNdxCurrent, step);
}

const TLabelList* Data::GetCurrent(std::span<double> inputs, std::span<double> outputs) const {
    RequireStoredRow("Data::GetCurrent");
    if (!inputs.empty()) {
        CopySelected(InputsOf(MbrNdxCurrent), MbrDyaFeatures, inputs);
    }
    if (!outputs.empty()) {
        CopySelected(OutputsOf(MbrNdxCurrent), MbrDyaOutFeatures, outputs);
    }
    return MbrFlgLabels ? &MbrDyaLabels[Index(MbrNdxCurrent)] : nullptr;
}

const TLabelList* Data::GetNext(std::span<double> inputs, std::span<double> outputs) {
    RequireStoredRow("Data::GetNext");
    MbrNdxCurrent = StepFrom(MbrNdxCurrent, 1);
    return GetCurrent(inputs, outputs);
}

void Data::GetPrevious(std::span<double> inputs, std::span<double> outputs) {
    RequireStoredRow("Data::GetPrevious");
    MbrNdxCurrent = StepFrom(MbrNdxCurrent, -1);
    GetCurrent(inputs, outputs);
}

void Data::HoldSlot(std::int32_t slot) {
    if (slot < MbrNdxSlotsHeld) {
        return;
    }
    const std::int64_t doubled = 2 * static_cast<std::int64_t>(MbrNdxSlotsHeld);
    MbrNdxSlotsHeld = static_cast<std::int32_t>(
        std::min<std::int64_t>(MbrNdxRows, std::max<std::int64_t>(slot + 1, doubled)));
    const auto grow = [this](std::vector<double>& values, std::int32_t columns) {
        const std::size_t size = Index(MbrNdxSlotsHeld) * Index(columns);
        values.reserve(size);
        values.resize(size, 0.0);
    };
    grow(MbrDyaRtpInputs, MbrNdxInputs);
    grow(MbrDyaRtpOutputs, MbrNdxOutputs);
    if (MbrFlgLabels) {
        MbrDyaLabels.resize(Index(MbrNdxSlotsHeld));
    }
}

void Data::RequireRow(std::int32_t row, const char* where) const {
    if (!IsValidRow(row)) {
        Refuse(kInvalidRow, where);
    }
}

std::size_t Data::InputDatum(std::int32_t row, std::int32_t column, const char* where) const {
    RequireRow(row, where);
    if (column < 0 || column >= MbrNdxInputs) {
        Refuse(kInvalidInputColumn, where);
    }
    return Index(row) * Index(MbrNdxInputs) + Index(column);
}

std::size_t Data::OutputDatum(std::int32_t row, std::int32_t column, const char* where) const {
    RequireRow(row, where);
    if (column < 0 || column >= MbrNdxOutputs) {
        Refuse(kInvalidOutputColumn, where);
    }
    return Index(row) * Index(MbrNdxOutputs) + Index(column);
}

void Data::RequireStoredRow(const char* where) const {
    if (MbrNdxRowsStored == 0) {
        Refuse("No Data Rows", where);
    }
}

void Data::RequireLabels(const char* where) const {
    if (!MbrFlgLabels) {
        Refuse("Data Set Keeps No Labels", where);
    }
}

void Data::RequireColumns(ColumnList columns, std::int32_t count, const char* message,
                          const char* where) const {
    for (const std::int32_t column : columns) {
        if (column < 0 || column >= count) {
            Refuse(message, where);
        }
    }
}

std::int32_t Data::StepFrom(std::int32_t slot, int step) const {
    ZORF_ASSERT(step == 1 || step == -1);
    if (MbrNdxRowsStored == 1) {
        return MbrNdxFirst;
    }
    if (MbrNdxFirst <= MbrNdxLast) {
        if (step > 0) {
            return slot + 1 <= MbrNdxLast ? slot + 1 : slot + 1 - MbrNdxRowsStored;
        }
        return slot - 1 >= MbrNdxFirst ? slot - 1 : slot - 1 + MbrNdxRowsStored;
    }
    return (slot + step + MbrNdxRows) % MbrNdxRows;
}

std::span<double> Data::InputsOf(std::int32_t slot) {
    return SlotValues(MbrDyaRtpInputs, slot, MbrNdxInputs);
}

std::span<const double> Data::InputsOf(std::int32_t slot) const {
    return SlotValues(MbrDyaRtpInputs, slot, MbrNdxInputs);
}

std::span<double> Data::OutputsOf(std::int32_t slot) {
    return SlotValues(MbrDyaRtpOutputs, slot, MbrNdxOutputs);
}

std::span<const double> Data::OutputsOf(std::int32_t slot) const {
    return SlotValues(MbrDyaRtpOutputs, slot, MbrNdxOutputs);
}
