// The in-memory data set: a fixed number of row slots, each with input and output values
// and, when the set keeps labels, a label list. Rows are appended into a circular buffer (a
// full set recycles its oldest slot) and read back in storage order through a cursor that
// can deliver a chosen selection of input and output columns.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "DataObject/TLabelList.h"

// Everything of a data set that changes after construction, in one piece, so that Clone copies
// all of it by construction: a member added here is copied with the rest.
struct TDataContents {
    // Values of slot r start at r * MbrNdxInputs (and r * MbrNdxOutputs). Storage is held
    // for the slots used so far only, so a capacity far beyond the rows that actually
    // arrive costs nothing; slots without storage hold no stored row.
    std::vector<double> MbrDyaRtpInputs;
    std::vector<double> MbrDyaRtpOutputs;
    std::vector<TLabelList> MbrDyaLabels;
    std::int32_t MbrNdxSlotsHeld = 0;
    std::int32_t MbrNdxRowsStored = 0;
    std::int32_t MbrNdxFirst = 0;
    std::int32_t MbrNdxLast = 0;
    std::int32_t MbrNdxChanges = 0;
    std::int32_t MbrNdxCurrent = 0;
    std::optional<std::vector<std::int32_t>> MbrDyaFeatures;
    std::optional<std::vector<std::int32_t>> MbrDyaOutFeatures;
};

class ZORF_EXPORT Data : private TDataContents {
  public:
    using ColumnList = std::span<const std::int32_t>;

    // Fixed at construction; read directly by the file handling and by recall.
    const std::int32_t MbrNdxRows;
    const std::int32_t MbrNdxInputs;
    const std::int32_t MbrNdxOutputs;
    const bool MbrFlgLabels;
    // Rows stored so far, 0 to MbrNdxRows; never decreases.
    const std::int32_t& MbrNdxDataRows = MbrNdxRowsStored;

    Data(std::int32_t rows, std::int32_t inputs, std::int32_t outputs, bool keepLabels);
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;
    virtual ~Data();

    std::unique_ptr<Data> Clone() const;

    // Row access by slot number. An empty span stands for "no values given".
    bool IsValidRow(std::int32_t row) const;
    double GetInputDatum(std::int32_t row, std::int32_t column) const;
    double GetOutputDatum(std::int32_t row, std::int32_t column) const;
    void SetInputDatum(std::int32_t row, std::int32_t column, double value);
    void SetOutputDatum(std::int32_t row, std::int32_t column, double value);
    // The row's own list (not a copy), or none when the set keeps no labels.
    const TLabelList* GetLabels(std::int32_t row) const;
    void SetLabels(std::int32_t row, const TLabelList* labels);
    void ClearLabels(std::int32_t row);
    void AppendLabel(std::int32_t row, double value, std::string_view name);
    void SetRow(std::int32_t row, std::span<const double> inputs, std::span<const double> outputs,
                const TLabelList* labels);
    void GetInputRow(std::int32_t row, std::span<double> buffer) const;
    void GetInputRow(std::int32_t row, std::span<double> buffer, ColumnList columns) const;
    void GetOutputRow(std::int32_t row, std::span<double> buffer) const;
    void GetOutputRow(std::int32_t row, std::span<double> buffer, ColumnList columns) const;
    // Copies slots first to last (lowered to the newest slot); returns the number copied.
    std::int32_t GetBlock(std::span<double* const> inputRows, std::span<double* const> outputRows,
                          std::int32_t first, std::int32_t last) const;
    void AppendRow(std::span<const double> inputs, std::span<const double> outputs,
                   const TLabelList* labels);
    // Row i takes inputRows[i], outputRows[i] and labels[i]; an empty span gives no values
    // (or no labels) to every row, a null row pointer none to that row.
    void AppendRows(std::span<const double* const> inputRows,
                    std::span<const double* const> outputRows, std::int32_t count,
                    std::span<const TLabelList> labels);

    // Column selection: none means every column; selected columns may repeat.
    void SelectFeatures(ColumnList features);
    // The values of `row` that a selection picks, as GetNext delivers them.
    static void CopySelected(std::span<const double> row,
                             const std::optional<std::vector<std::int32_t>>& selection,
                             std::span<double> buffer);
    std::optional<std::vector<std::int32_t>> GetFeatures() const;
    // How many input (output) values each GetNext delivers: the selection's size, or every
    // column without one.
    std::int32_t GetNumSelectedInputs() const;
    std::int32_t GetNumSelectedOutputs() const;
    void SetFeatures(std::optional<ColumnList> features, std::optional<ColumnList> outFeatures);

    // Sequential reading in storage order; the buffers receive the selected columns.
    void Rewind();
    void Advance(int step);
    const TLabelList* GetCurrent(std::span<double> inputs, std::span<double> outputs) const;
    virtual const TLabelList* GetNext(std::span<double> inputs, std::span<double> outputs);
    void GetPrevious(std::span<double> inputs, std::span<double> outputs);

  private:
    void HoldSlot(std::int32_t slot);
    void RequireRow(std::int32_t row, const char* where) const;
    // Where a datum is stored, once its row and column have been checked.
    std::size_t InputDatum(std::int32_t row, std::int32_t column, const char* where) const;
    std::size_t OutputDatum(std::int32_t row, std::int32_t column, const char* where) const;
    void RequireStoredRow(const char* where) const;
    void RequireLabels(const char* where) const;
    void RequireColumns(ColumnList columns, std::int32_t count, const char* message,
                        const char* where) const;
    std::int32_t StepFrom(std::int32_t slot, int step) const;
    std::span<double> InputsOf(std::int32_t slot);
    std::span<const double> InputsOf(std::int32_t slot) const;
    std::span<double> OutputsOf(std::int32_t slot);
    std::span<const double> OutputsOf(std::int32_t slot) const;
};
