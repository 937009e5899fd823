#include "FileHandler/DataSetFile/Filer.h"

#include <optional>
#include <utility>

#include "KQmessage/Check.h"
#include "KQmessage/StrCaseCmp.h"

namespace FileTools {

namespace {

std::unique_ptr<Data> NewDataSet(bool wanted, std::int32_t rows, std::int32_t inputs,
                                 std::int32_t outputs, bool labelled) {
    if (!wanted) {
        return nullptr;
    }
    return std::make_unique<Data>(rows, inputs, outputs, labelled);
}

std::unique_ptr<Data> NewFirst(const DataSetLayout& layout, bool wanted, std::int32_t rows) {
    return NewDataSet(wanted, rows, layout.inputs, layout.expectedOutputs, layout.expectedLabels);
}

std::unique_ptr<Data> NewSecond(const DataSetLayout& layout, bool wanted, std::int32_t rows) {
    return NewDataSet(wanted, rows, layout.generatedOutputs, layout.errors, layout.generatedLabels);
}

const TLabelList* LabelsIf(bool labelled, const TLabelList& labels) {
    return labelled ? &labels : nullptr;
}

// Rows of a file go to the data sets that were built for them; a group without its data
// set is read and dropped.
void ReadRows(ScratchBuffer& scratch, DataSetFile& file, const DataSetLayout& layout,
              std::int32_t count, Data* first, Data* second) {
    if (!HoldsValues(layout)) {
        return;
    }
    DataSetRow row;
    for (std::int32_t r = 0; r < count; ++r) {
        ReadDataSetRow(scratch, file.in, file.dataName, layout, r, row);
        if (first != nullptr) {
            first->AppendRow(row.inputs, row.expectedOutputs,
                             LabelsIf(layout.expectedLabels, row.expectedLabels));
        }
        if (second != nullptr) {
            second->AppendRow(row.generatedOutputs, row.errors,
                              LabelsIf(layout.generatedLabels, row.generatedLabels));
        }
    }
}

void CopyInputs(const Data& data, std::int32_t slot, std::vector<double>& values) {
    values.resize(static_cast<std::size_t>(data.MbrNdxInputs));
    for (std::int32_t column = 0; column < data.MbrNdxInputs; ++column) {
        values[static_cast<std::size_t>(column)] = data.GetInputDatum(slot, column);
    }
}

void CopyOutputs(const Data& data, std::int32_t slot, std::vector<double>& values) {
    values.resize(static_cast<std::size_t>(data.MbrNdxOutputs));
    for (std::int32_t column = 0; column < data.MbrNdxOutputs; ++column) {
        values[static_cast<std::size_t>(column)] = data.GetOutputDatum(slot, column);
    }
}

// A labelled data set writes its label list in the place of its output group (first data
// set) or input group (second data set).
void CopyRow(const Data* first, const Data* second, std::int32_t slot, DataSetRow& row) {
    if (first != nullptr) {
        CopyInputs(*first, slot, row.inputs);
        if (first->MbrFlgLabels) {
            row.expectedLabels = *first->GetLabels(slot);
        } else {
            CopyOutputs(*first, slot, row.expectedOutputs);
        }
    }
    if (second != nullptr) {
        if (second->MbrFlgLabels) {
            row.generatedLabels = *second->GetLabels(slot);
        } else {
            CopyInputs(*second, slot, row.generatedOutputs);
        }
        CopyOutputs(*second, slot, row.errors);
    }
}

FilerStatus Finished(OutputStream& out) {
    return out.Commit() ? SUCCESS : ERR_WRITE_FAILED;
}

std::unique_ptr<TKQstructure> DescribeHeader(const DataSetHeader& header) {
    auto description = std::make_unique<TKQstructure>("data");
    description->SetInteger("rows", header.rows);
    description->SetInteger("inputs", header.inputs);
    description->SetInteger("actual-outputs", header.expectedOutputs);
    description->SetInteger("calc-outputs", header.generatedOutputs);
    description->SetInteger("errors", header.errors);
    return description;
}

}  // namespace

std::optional<DataSetFile> OpenDataSetFile(ScratchBuffer& scratch, const std::string& fileName) {
    std::optional<InputStream> in = InputStream::Open(fileName);
    if (!in) {
        return std::nullopt;
    }
    std::optional<DataSetFile> file(std::in_place, DataSetFile{std::move(*in), {}, {}, {}});
    InputStream& stream = file->in;
    file->dataSetName =
        ExpectBlockStart(stream, ReadBlockItem(scratch, stream, {}, false), "DATASET");
    // An item that ended the header early is refused as the missing [Data] tag.
    const HeaderReading reading = ReadDataSetHeader(scratch, stream);
    if (reading.header.rows < 0) {
        ZORF_REFUSE("LngRows>=0");
    }
    file->dataName = ExpectBlockStart(stream, reading.end, "DATA");
    file->header = reading.header;
    return file;
}

void ReadDataSetTrailer(ScratchBuffer& scratch, DataSetFile& file) {
    for (const std::string_view blockdef :
         {std::string_view(file.dataName), std::string_view(file.dataSetName),
          std::string_view()}) {
        ExpectBlockEnd(file.in, ReadBlockItem(scratch, file.in, blockdef, false));
    }
}

LoadedDataSet LoadDataSet(ScratchBuffer& scratch, const std::string& fileName) {
    LoadedDataSets loaded = LoadDataSets(scratch, fileName);
    return {loaded.second ? ERR_BAD_HEADER : loaded.status, std::move(loaded.first)};
}

LoadedDataSets LoadDataSets(ScratchBuffer& scratch, const std::string& fileName) {
    std::optional<DataSetFile> file = OpenDataSetFile(scratch, fileName);
    if (!file) {
        return {ERR_OPEN_FAILED, nullptr, nullptr};
    }
    const DataSetLayout layout = LayoutOf(file->header);
    const std::int32_t rows = file->header.rows;
    LoadedDataSets loaded{SUCCESS, NewFirst(layout, layout.first, rows),
                          NewSecond(layout, layout.second, rows)};
    ReadRows(scratch, *file, layout, rows, loaded.first.get(), loaded.second.get());
    ReadDataSetTrailer(scratch, *file);
    return loaded;
}

LoadedRows LoadDataSetRows(ScratchBuffer& scratch, const std::string& fileName, std::int64_t offset,
                           std::int32_t rowCount) {
    if (offset < 0 || rowCount < 0) {
        return {ERR_BAD_ARGUMENTS, offset, nullptr, nullptr};
    }
    std::optional<DataSetFile> file = OpenDataSetFile(scratch, fileName);
    if (!file) {
        return {ERR_OPEN_FAILED, offset, nullptr, nullptr};
    }
    const DataSetLayout layout = LayoutOf(file->header);
    const std::int64_t rowsStart = file->in.Position();
    file->in.Seek(rowsStart + offset);
    LoadedRows loaded{
        SUCCESS, offset,
        NewFirst(layout, layout.inputs > 0 || layout.expectedOutputs > 0, rowCount),
        NewSecond(layout, layout.generatedOutputs > 0 || layout.errors > 0, rowCount)};
    ReadRows(scratch, *file, layout, rowCount, loaded.first.get(), loaded.second.get());
    loaded.offset = file->in.Position() - rowsStart;
    return loaded;
}

std::optional<DataSetHeader> HeaderOf(const Data* first, const Data* second) {
    if (first == nullptr && second == nullptr) {
        return std::nullopt;
    }
    if (first != nullptr && second != nullptr && first->MbrNdxRows != second->MbrNdxRows) {
        return std::nullopt;
    }
    DataSetHeader header;
    header.rows = first != nullptr ? first->MbrNdxRows : second->MbrNdxRows;
    if (first != nullptr) {
        header.inputs = first->MbrNdxInputs;
        header.expectedOutputs = first->MbrFlgLabels ? kLabels : first->MbrNdxOutputs;
    }
    if (second != nullptr) {
        header.generatedOutputs = second->MbrFlgLabels ? kLabels : second->MbrNdxInputs;
        header.errors = second->MbrNdxOutputs;
    }
    return header;
}

DataSetLayout LayoutForWriting(const DataSetHeader& header, const Data* first, const Data* second) {
    DataSetLayout layout = LayoutOf(header);
    layout.first = first != nullptr;
    layout.second = second != nullptr;
    return layout;
}

FilerStatus SaveDataSet(const std::string& fileName, const Data* first, const Data* second,
                        TNumberForm form) {
    const std::optional<DataSetHeader> header = HeaderOf(first, second);
    if (!header) {
        return ERR_BAD_ARGUMENTS;
    }
    OutputStream out = OutputStream::ReplaceFile(fileName);
    if (out.Failed()) {
        return ERR_WRITE_FAILED;
    }
    WriteDataSetHeader(out, *header);
    WriteDataSetRows(out, first, second, form);
    WriteDataSetTrailer(out);
    return Finished(out);
}

FilerStatus SaveDataSetHeader(const std::string& fileName, const DataSetHeader& header) {
    if (header.rows < 0) {
        return ERR_BAD_ARGUMENTS;
    }
    OutputStream out = OutputStream::ReplaceFile(fileName);
    WriteDataSetHeader(out, header);
    return Finished(out);
}

FilerStatus SaveDataSetRows(const std::string& fileName, const Data* first, const Data* second) {
    if (!HeaderOf(first, second)) {
        return ERR_BAD_ARGUMENTS;
    }
    OutputStream out = OutputStream::AppendToFile(fileName);
    WriteDataSetRows(out, first, second);
    return Finished(out);
}

FilerStatus SaveDataSetTrailer(const std::string& fileName) {
    OutputStream out = OutputStream::AppendToFile(fileName);
    WriteDataSetTrailer(out);
    return Finished(out);
}

void WriteDataSetRows(OutputStream& out, const Data* first, const Data* second, TNumberForm form) {
    const std::optional<DataSetHeader> header = HeaderOf(first, second);
    ZORF_ASSERT(header.has_value());
    const DataSetLayout layout = LayoutForWriting(*header, first, second);
    DataSetRow row;
    for (std::int32_t slot = 0; slot < header->rows; ++slot) {
        CopyRow(first, second, slot, row);
        WriteDataSetRow(out, layout, row, form);
    }
}

void WriteDataSetTrailer(OutputStream& out) {
    WriteEndTag(out, kDataTag);
    out.Put('\n');
    WriteEndTag(out, kDataSetTag);
}

std::unique_ptr<TKQstructure> ProbeFileHeader(ScratchBuffer& scratch, const std::string& fileName) {
    std::optional<InputStream> in = InputStream::Open(fileName);
    if (!in) {
        return MakeErrorMessage("file-read-error");
    }
    const std::string name = ExpectBlockStart(*in, ReadBlockItem(scratch, *in, {}, false));
    if (KQML::strcasecmp(name, kDataSetTag) == 0) {
        const HeaderReading reading = ReadDataSetHeader(scratch, *in);
        if (reading.status == ERR_BAD_HEADER) {
            return MakeErrorMessage("bad-header");
        }
        return DescribeHeader(reading.header);
    }
    // Network files open with [NeuralNetwork]; the shorter name is accepted as well.
    if (KQML::strcasecmp(name, "Network") == 0 || KQML::strcasecmp(name, "NeuralNetwork") == 0) {
        return std::make_unique<TKQstructure>("network");
    }
    auto report = MakeErrorMessage("unknown-header");
    report->SetString("header", name);
    return report;
}

}  // namespace FileTools
