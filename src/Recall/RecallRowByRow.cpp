#include "Recall/RecallRowByRow.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "DataObject/Data.h"
#include "FileHandler/CsvFile/CsvDataSet.h"
#include "FileHandler/CsvFile/CsvResult.h"
#include "FileHandler/DataSetFile/Filer.h"
#include "FileHandler/DataSetFile/ReadAheadRows.h"
#include "FileHandler/Syntax/FileMessages.h"
#include "KQmessage/FileToolsError.h"
#include "Zorf/TNonFiniteInput.h"
#include "Zorf/TRecallEngine.h"

namespace {

// The output file as SaveDataSet writes a result data set of `rows` rows of generated
// outputs: the outputs in the place of expected outputs, no inputs; or, given `csv`, as a
// CSV file laid out by it.
class TResultFile {
  public:
    TResultFile(const std::string& fileName, std::int32_t rows, std::int32_t outputs,
                const TZorfDataInfo& info, const FileTools::TCsvResultLayout* csvLayout)
        : units(info),
          csv(csvLayout),
          result(rows, 0, outputs, false),
          header(*FileTools::HeaderOf(&result, nullptr)),
          layout(FileTools::LayoutForWriting(header, &result, nullptr)),
          out(FileTools::OutputStream::ReplaceFile(fileName)) {
        if (csv != nullptr) {
            csv->WriteHeader(out);
        } else {
            FileTools::WriteDataSetHeader(out, header);
        }
        row.expectedOutputs.resize(static_cast<std::size_t>(outputs));
    }

    // Text for `shares` shares of rows, formatted on threads of their own. The first share is
    // the caller's thread's and the first in row order, so its rows go straight to the file.
    void PrepareShares(std::size_t shares) {
        shareTexts.resize(shares);
        shareRows.resize(shares, row);
    }
    // The rows' text, in share `share`'s buffer; called from the share's own thread.
    void FormatRows(std::size_t share, std::span<const double> outputs, std::size_t rows,
                    std::span<const std::string> copied) {
        FileTools::DataSetRow& shareRow = shareRows[share];
        FileTools::OutputStream& text = share == 0 ? out : shareTexts[share];
        const std::size_t count = shareRow.expectedOutputs.size();
        for (std::size_t r = 0; r < rows; ++r) {
            const std::span<const double> values = outputs.subspan(r * count, count);
            std::copy(values.begin(), values.end(), shareRow.expectedOutputs.begin());
            InOwnUnits(units, shareRow.expectedOutputs);
            if (csv != nullptr) {
                const std::size_t copies = copied.size() / std::max<std::size_t>(rows, 1);
                csv->WriteRow(text, copied.subspan(r * copies, copies), shareRow.expectedOutputs);
            } else {
                FileTools::WriteDataSetRow(text, layout, shareRow);
            }
        }
    }
    // Writes the text of the later shares to the file, in row order, and empties their buffers.
    void WriteLaterShares() {
        for (std::size_t share = 1; share < shareTexts.size(); ++share) {
            FileTools::OutputStream& text = shareTexts[share];
            out.Write(text.Text());
            text.ClearText();
        }
    }
    FileTools::FilerStatus Finish() {
        if (csv == nullptr) {
            FileTools::WriteDataSetTrailer(out);
        }
        return out.Commit() ? FileTools::SUCCESS : FileTools::ERR_WRITE_FAILED;
    }
    const std::string& FailureReason() const { return out.FailureReason(); }

  private:
    const TZorfDataInfo& units;
    const FileTools::TCsvResultLayout* csv;
    // Holds no rows: it only gives the header and layout their counts.
    const Data result;
    const FileTools::DataSetHeader header;
    const FileTools::DataSetLayout layout;
    FileTools::OutputStream out;
    FileTools::DataSetRow row;
    std::vector<FileTools::OutputStream> shareTexts;
    std::vector<FileTools::DataSetRow> shareRows;
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

// Rows gathered from the file for one pass of the recall engine, which propagates them on its
// threads; their outputs are then written in file order. A refusal (of copying a row's
// features or of propagating it) waits for the end of the recall file, like the others; once
// one is met, no further row is recalled or written, as the output file is not kept.
class TRowChunks : private TRecallEngine::TShareTask {
  public:
    TRowChunks(TRecallEngine& recallEngine, TResultFile& resultFile,
               const std::optional<std::vector<std::int32_t>>& features)
        : engine(recallEngine),
          result(resultFile),
          selection(features),
          inputCount(static_cast<std::size_t>(engine.NumInputs())),
          outputCount(static_cast<std::size_t>(engine.NumOutputs())),
          capacity(ChunkRows(std::max(inputCount, outputCount))),
          inputs(capacity * inputCount),
          outputs(capacity * outputCount) {
        result.PrepareShares(static_cast<std::size_t>(engine.NumThreads()));
    }

    void Add(std::span<const double> rowInputs, std::span<const std::string> rowCopied = {}) {
        if (refusal) {
            return;
        }
        if (!rowCopied.empty()) {
            copied.resize(capacity * rowCopied.size());
            std::copy(rowCopied.begin(), rowCopied.end(),
                      copied.begin() + static_cast<std::ptrdiff_t>(gathered * rowCopied.size()));
            copiesPerRow = rowCopied.size();
        }
        std::exception_ptr copyRefusal;
        try {
            Data::CopySelected(
                rowInputs, selection,
                std::span<double>(inputs).subspan(gathered * inputCount, inputCount));
        } catch (...) {
            copyRefusal = std::current_exception();
        }
        if (copyRefusal) {
            Flush();
            refusal = refusal ? refusal : copyRefusal;
            return;
        }
        if (++gathered == capacity) {
            Flush();
        }
    }

    // Recalls and writes the rows gathered; the first refusal met so far, if any.
    std::exception_ptr Finish() {
        Flush();
        return refusal;
    }

  private:
    // Enough rows that each pass keeps every thread busy for a while, in a few megabytes. No
    // more than the rows read ahead, so that the reader never waits for a pass: chunks of
    // 16,384 rows made the 1,000,000 rows of a small network 1.4 times as slow end to end.
    static std::size_t ChunkRows(std::size_t valuesPerRow) {
        constexpr std::size_t kRows = 4096;
        constexpr std::size_t kValues = std::size_t{1} << 18;
        return std::clamp<std::size_t>(kValues / std::max<std::size_t>(valuesPerRow, 1), 1, kRows);
    }

    void Flush() {
        const std::size_t rows = std::exchange(gathered, 0);
        if (refusal || rows == 0) {
            return;
        }
        const std::size_t firstRow = std::exchange(rowsBefore, rowsBefore + rows);
        try {
            engine.Recall(inputs.data(), rows, outputs.data(), *this);
            result.WriteLaterShares();
        } catch (const TNonFiniteInput& nonFinite) {
            refusal = std::make_exception_ptr(
                NonFiniteInRecallFile(nonFinite, static_cast<std::int64_t>(firstRow), selection));
        } catch (...) {
            refusal = std::current_exception();
        }
    }

    // The outputs are formatted on the threads that computed them; the file only receives
    // their text, in row order.
    void Run(std::size_t share, std::size_t first, std::size_t count) override {
        result.FormatRows(share, std::span<const double>(outputs).subspan(first * outputCount),
                          count,
                          std::span<const std::string>(copied).subspan(first * copiesPerRow,
                                                                       count * copiesPerRow));
    }

    TRecallEngine& engine;
    TResultFile& result;
    const std::optional<std::vector<std::int32_t>>& selection;
    const std::size_t inputCount;
    const std::size_t outputCount;
    const std::size_t capacity;
    std::vector<double> inputs;
    std::vector<double> outputs;
    // The fields carried over to the output, copiesPerRow per row.
    std::vector<std::string> copied;
    std::size_t copiesPerRow = 0;
    std::size_t gathered = 0;
    std::size_t rowsBefore = 0;  // the rows of the file before those gathered
    std::exception_ptr refusal;
};

std::int32_t NumOutputs(const TZorf& network) {
    return network.GetLayer(network.GetOutLayer())->GetNumNeurons();
}

// The rows' inputs, one at a time from `next` (none after the last), recalled and written; a
// refusal of the data set waits until every row is read, so that an error in the file comes
// first.
struct TRowView {
    std::span<const double> inputs;
    // The fields carried over to the output.
    std::span<const std::string> copied;
};

template <class TNextRow>
void RecallRows(TZorf& network, const TRecallParameters& parameters, std::int32_t rows,
                const Data* shape, const std::exception_ptr& refusal, TNextRow next) {
    if (refusal) {
        while (next()) {
        }
        std::rethrow_exception(refusal);
    }
    std::optional<FileTools::TCsvResultLayout> csv;
    if (FileTools::IsCsvFileName(parameters.outputFile)) {
        csv.emplace(parameters.copyColumns, network.DataInfo(),
                    static_cast<std::size_t>(NumOutputs(network)));
    }
    TResultFile result(parameters.outputFile, rows, NumOutputs(network), network.DataInfo(),
                       csv ? &*csv : nullptr);
    const std::optional<std::vector<std::int32_t>> selection =
        shape != nullptr ? shape->GetFeatures() : std::nullopt;
    TRecallEngine engine(network, parameters.threads);
    TRowChunks chunks(engine, result, selection);
    while (const std::optional<TRowView> row = next()) {
        chunks.Add(row->inputs, row->copied);
    }
    if (std::exception_ptr chunkRefusal = chunks.Finish()) {
        std::rethrow_exception(chunkRefusal);
    }
    FileTools::RequireWritten(result.Finish(), parameters.outputFile, result.FailureReason());
}

// A CSV recall file is read twice for a data set output file: once to count its rows for the
// file's header, then row by row, so that memory stays at a row however long the file is. A
// CSV output file names no count, and the recall file is read once.
void RecallCsvRowByRow(TZorf& network, const TRecallParameters& parameters) {
    std::int64_t rows = 0;
    if (!FileTools::IsCsvFileName(parameters.outputFile)) {
        std::optional<FileTools::InputStream> counting =
            FileTools::InputStream::Open(parameters.recallFile);
        if (!counting) {
            std::rethrow_exception(RefusalOfTheRows(network, nullptr, parameters.features));
        }
        rows = FileTools::CountCsvRows(*counting);
    }
    std::optional<FileTools::InputStream> in = FileTools::InputStream::Open(parameters.recallFile);
    if (!in) {
        std::rethrow_exception(RefusalOfTheRows(network, nullptr, parameters.features));
    }
    FileTools::TCsvInputRows csv(*in, parameters.columns);
    const std::unique_ptr<Data> shape =
        std::make_unique<Data>(0, static_cast<std::int32_t>(csv.InputNames().size()), 0, false);
    std::exception_ptr refusal = RefusalOfTheRows(network, shape.get(), parameters.features);
    if (rows > std::numeric_limits<std::int32_t>::max()) {
        FileTools::Error error("the file holds more rows than a data set can");
        error.line = 1;
        throw error;
    }
    std::vector<std::size_t> copyColumns;
    for (const std::string& name : parameters.copyColumns) {
        copyColumns.push_back(csv.Table().ColumnOf(name, "CopyColumns"));
    }
    std::vector<double> inputs;
    std::vector<std::string> copied(copyColumns.size());
    RecallRows(network, parameters, static_cast<std::int32_t>(rows), shape.get(), refusal,
               [&, read = std::int64_t{0}]() mutable -> std::optional<TRowView> {
                   if (!csv.Next(inputs)) {
                       if (read == 0) {
                           // As loading the file refuses it.
                           FileTools::Error error("the file holds a header but no rows");
                           error.line = 2;
                           throw error;
                       }
                       return std::nullopt;
                   }
                   ++read;
                   for (std::size_t c = 0; c < copyColumns.size(); ++c) {
                       copied[c] = csv.Fields()[copyColumns[c]];
                   }
                   return TRowView{inputs, copied};
               });
}

}  // namespace

void RecallRowByRow(TZorf& network, const TRecallParameters& parameters) {
    if (FileTools::IsCsvFileName(parameters.recallFile)) {
        RecallCsvRowByRow(network, parameters);
        return;
    }
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
    const std::int32_t rows = FileTools::HoldsValues(layout) ? file->header.rows : 0;
    FileTools::ReadAheadRows rowsAhead(*file, layout, rows,
                                       parameters.threads == 1
                                           ? FileTools::ReadAheadRows::Mode::InCallerThread
                                           : FileTools::ReadAheadRows::Mode::Automatic);
    RecallRows(network, parameters, file->header.rows, shape.get(), refusal,
               [&rowsAhead]() -> std::optional<TRowView> {
                   const FileTools::DataSetRow* row = rowsAhead.Next();
                   return row != nullptr ? std::optional(TRowView{row->inputs, {}}) : std::nullopt;
               });
}

void InOwnUnits(const TZorfDataInfo& info, std::span<double> outputs) {
    for (std::size_t output = 0; output < info.outputs.size() && output < outputs.size();
         ++output) {
        if (const std::optional<TZorfRange>& range = info.outputs[output].range) {
            outputs[output] = InUnits(*range, outputs[output]);
        }
    }
}

FileTools::Error NonFiniteInRecallFile(const TNonFiniteInput& refusal, std::int64_t firstRow,
                                       const std::optional<std::vector<std::int32_t>>& selection) {
    FileTools::Error error(FileTools::Messages::kNonFiniteInput);
    error.row = firstRow + refusal.row + 1;
    error.column =
        (selection ? (*selection)[static_cast<std::size_t>(refusal.column)] : refusal.column) + 1;
    return error;
}
