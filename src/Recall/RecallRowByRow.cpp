#include "Recall/RecallRowByRow.h"

#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "DataObject/Data.h"
#include "FileHandler/DataSetFile/Filer.h"
#include "FileHandler/DataSetFile/ReadAheadRows.h"
#include "KQmessage/FileToolsError.h"
#include "NeuralNets/TPackedPropagation.h"
#include "NeuralNets/TSimpleInputLayer.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

// The output file as SaveDataSet writes a result data set of `rows` rows of generated
// outputs: the outputs in the place of expected outputs, no inputs.
class TResultFile {
  public:
    TResultFile(const std::string& fileName, std::int32_t rows, std::int32_t outputs)
        : result(rows, 0, outputs, false),
          header(*FileTools::HeaderOf(&result, nullptr)),
          layout(FileTools::LayoutForWriting(header, &result, nullptr)),
          out(FileTools::OutputStream::ReplaceFile(fileName)) {
        FileTools::WriteDataSetHeader(out, header);
        row.expectedOutputs.resize(static_cast<std::size_t>(outputs));
    }

    std::span<double> Outputs() { return row.expectedOutputs; }
    void WriteRow() { FileTools::WriteDataSetRow(out, layout, row); }
    FileTools::FilerStatus Finish() {
        FileTools::WriteDataSetTrailer(out);
        return out.Commit() ? FileTools::SUCCESS : FileTools::ERR_WRITE_FAILED;
    }
    const std::string& FailureReason() const { return out.FailureReason(); }

  private:
    // Holds no rows: it only gives the header and layout their counts.
    const Data result;
    const FileTools::DataSetHeader header;
    const FileTools::DataSetLayout layout;
    FileTools::OutputStream out;
    FileTools::DataSetRow row;
};

// The data set that loading the file would deliver, without its rows: none when the file holds
// no inputs or expected outputs.
std::unique_ptr<Data> DataSetShape(const FileTools::DataSetLayout& layout) {
    return layout.first ? std::make_unique<Data>(0, layout.inputs, 0, false) : nullptr;
}

// What selecting the features and RecallOutputOnly refuse before the first row; loading
// raises it only once the whole file has been read, so it waits until then here too.
std::exception_ptr RefusalOfTheRows(const TZorf& network, Data* shape,
                                    const std::vector<std::int32_t>& features) {
    try {
        if (shape != nullptr && !features.empty()) {
            shape->SelectFeatures(features);
        }
        network.RequireRecallableRows(shape);
        return nullptr;
    } catch (...) {
        return std::current_exception();
    }
}

// One row through the network into the result file; a refusal of propagation waits for the
// end of the recall file, like the others.
std::exception_ptr RecallRow(TZorf& network, const FileTools::DataSetRow& row,
                             const std::optional<std::vector<std::int32_t>>& selection,
                             std::vector<double>& inputs, TResultFile& result) {
    try {
        Data::CopySelected(row.inputs, selection, inputs);
        network.Propagate(inputs.data(), result.Outputs().data());
        result.WriteRow();
        return nullptr;
    } catch (...) {
        return std::current_exception();
    }
}

std::int32_t NumOutputs(const TZorf& network) {
    return network.GetLayer(network.GetOutLayer())->GetNumNeurons();
}

}  // namespace

void RecallRowByRow(TZorf& network, const TRecallParameters& parameters) {
    FileTools::ScratchBuffer scratch;
    std::optional<FileTools::DataSetFile> file =
        FileTools::OpenDataSetFile(scratch, parameters.recallFile);
    const FileTools::DataSetLayout layout =
        file ? FileTools::LayoutOf(file->header) : FileTools::DataSetLayout{};
    const std::unique_ptr<Data> shape = DataSetShape(layout);
    std::exception_ptr refusal = RefusalOfTheRows(network, shape.get(), parameters.features);
    if (!file) {
        std::rethrow_exception(refusal);
    }
    TResultFile result(parameters.outputFile, file->header.rows, NumOutputs(network));
    const std::optional<std::vector<std::int32_t>> selection =
        shape ? shape->GetFeatures() : std::nullopt;
    // Sized once the first row has been read: a count the header merely claims must not
    // take memory before the file's bytes show it.
    const auto inputCount = static_cast<std::size_t>(shape ? shape->GetNumSelectedInputs() : 0);
    std::vector<double> inputs;
    const TPackedPropagation packing(network);
    const std::int32_t rows = FileTools::HoldsValues(layout) ? file->header.rows : 0;
    FileTools::ReadAheadRows rowsAhead(*file, layout, rows);
    while (const FileTools::DataSetRow* row = rowsAhead.Next()) {
        if (!refusal) {
            inputs.resize(inputCount);
            refusal = RecallRow(network, *row, selection, inputs, result);
        }
    }
    if (refusal) {
        std::rethrow_exception(refusal);
    }
    RequireWritten(result.Finish(), parameters.outputFile, result.FailureReason());
}

bool WarnsOnEveryRow(const TBasicNetwork& network) {
    for (std::int32_t k = 0; k < network.GetNumLayers(); ++k) {
        const TBasicLayer* layer = network.GetLayer(k);
        const bool atInput = k == network.GetInLayer();
        if (dynamic_cast<const TSimpleInputLayer*>(layer) != nullptr) {
            if (!atInput) {
                return true;
            }
            continue;
        }
        // The fuzzy layers compute their values themselves and warn nowhere.
        const bool fuzzy = dynamic_cast<const TConditionLayer*>(layer) != nullptr ||
                           dynamic_cast<const TZorfOutputLayer*>(layer) != nullptr;
        if (!fuzzy && atInput) {
            return true;
        }
    }
    return false;
}

void RequireWritten(FileTools::FilerStatus status, const std::string& fileName,
                    std::string reason) {
    if (status == FileTools::SUCCESS) {
        return;
    }
    FileTools::Error error(std::string(FileTools::StatusText(status)) + " " + fileName);
    if (reason.empty() && status == FileTools::ERR_WRITE_FAILED) {
        reason = FileTools::OutputStream::ReplaceFile(fileName).FailureReason();
    }
    error.fileName = fileName;
    error.reason = std::move(reason);
    throw error;
}
