#include "Recall/RecallZorf.h"

#include <string_view>

#include "DataObject/Data.h"
#include "FileHandler/CsvFile/CsvDataSet.h"
#include "FileHandler/CsvFile/CsvResult.h"
#include "FileHandler/DataSetFile/Filer.h"
#include "FileHandler/FileErrorTrap.h"
#include "FileHandler/NetworkFile/NetworkFile.h"
#include "FileHandler/NetworkFile/NetworkSoundness.h"
#include "FileHandler/Syntax/FileContext.h"
#include "FileHandler/Syntax/FileMessages.h"
#include "FileHandler/Syntax/OutputApart.h"
#include "KQmessage/FileToolsError.h"
#include "KQmessage/ProgramVersion.h"
#include "KQmessage/TException.h"
#include "Recall/ParameterFile.h"
#include "Recall/RecallRowByRow.h"
#include "Recall/RecallZorfHelp.h"
#include "Zorf/TRecallEngine.h"
#include "Zorf/TZorf.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

// The rows to recall, restricted to the chosen input columns. A recall file that cannot be
// opened delivers no data set; recall then refuses the missing data set.
std::unique_ptr<Data> LoadRecallRows(FileTools::ScratchBuffer& scratch,
                                     const TRecallParameters& parameters) {
    std::unique_ptr<Data> rows =
        FileTools::LoadAnyDataSet(scratch, parameters.recallFile, parameters.columns).data;
    if (rows && !parameters.features.empty()) {
        rows->SelectFeatures(parameters.features);
    }
    return rows;
}

// The outputs of the loaded path as a CSV file; the fields carried over are read from the
// recall file again.
void SaveCsvResult(const TRecallParameters& parameters, const Data& result,
                   const TZorfDataInfo& info) {
    const FileTools::TCsvResultLayout layout(parameters.copyColumns, info,
                                             static_cast<std::size_t>(result.MbrNdxOutputs));
    FileTools::OutputStream out = FileTools::OutputStream::ReplaceFile(parameters.outputFile);
    layout.WriteHeader(out);
    std::optional<FileTools::InputStream> in;
    std::optional<FileTools::TCsvInputRows> source;
    std::vector<std::size_t> columns;
    if (!parameters.copyColumns.empty()) {
        in = FileTools::InputStream::Open(parameters.recallFile);
        if (!in) {
            throw FileTools::Error(FileTools::Messages::kOpenFailed);
        }
        source.emplace(*in, parameters.columns);
        for (const std::string& name : parameters.copyColumns) {
            columns.push_back(source->Table().ColumnOf(name, "CopyColumns"));
        }
    }
    std::vector<double> outputs(static_cast<std::size_t>(result.MbrNdxOutputs));
    std::vector<double> inputs;
    std::vector<std::string> copied(columns.size());
    for (std::int32_t row = 0; row < result.MbrNdxDataRows; ++row) {
        result.GetOutputRow(row, outputs);
        if (source && source->Next(inputs)) {
            for (std::size_t c = 0; c < columns.size(); ++c) {
                copied[c] = source->Fields()[columns[c]];
            }
        }
        layout.WriteRow(out, copied, outputs);
    }
    FileTools::RequireWritten(out.Commit() ? FileTools::SUCCESS : FileTools::ERR_WRITE_FAILED,
                              parameters.outputFile, out.FailureReason());
}

// The whole recall file loaded, recalled into a result data set and saved; an output file
// that could not be written is a file error, and any earlier file of that name is left as it
// was.
void RecallLoaded(TZorf& network, const TRecallParameters& parameters) {
    FileTools::ScratchBuffer dataScratch;
    const std::unique_ptr<Data> rows = LoadRecallRows(dataScratch, parameters);
    std::unique_ptr<Data> PtrDatOut;
    try {
        PtrDatOut = network.RecallOutputOnly(rows.get());
    } catch (const TNonFiniteInput& refusal) {
        throw NonFiniteInRecallFile(refusal, 0, rows->GetFeatures());
    }
    // The condition's text is what the report shows; keep it as it reads.
    ZORF_ASSERT(PtrDatOut != 0);  // NOLINT(modernize-use-nullptr)
    if (!network.DataInfo().Empty()) {
        std::vector<double> outputs(static_cast<std::size_t>(PtrDatOut->MbrNdxOutputs));
        for (std::int32_t row = 0; row < PtrDatOut->MbrNdxDataRows; ++row) {
            PtrDatOut->GetOutputRow(row, outputs);
            InOwnUnits(network.DataInfo(), outputs);
            for (std::size_t column = 0; column < outputs.size(); ++column) {
                PtrDatOut->SetOutputDatum(row, static_cast<std::int32_t>(column), outputs[column]);
            }
        }
    }
    if (FileTools::IsCsvFileName(parameters.outputFile)) {
        SaveCsvResult(parameters, *PtrDatOut, network.DataInfo());
        return;
    }
    FileTools::RequireWritten(
        FileTools::SaveDataSet(parameters.outputFile, PtrDatOut.get(), nullptr),
        parameters.outputFile);
}

// Loading the network, recall and saving; everything they raise unwinds to the error trap.
// A file error names the file it met (the output file names itself).
void Recall(const TRecallParameters& given, TRecallPath path) {
    TRecallParameters parameters = given;
    FileTools::ScratchBuffer networkScratch;
    std::unique_ptr<TZorf> network;
    try {
        network = FileTools::LoadRecallableZorf(networkScratch, parameters.weightFile);
    } catch (FileTools::Error& e) {
        FileTools::AddFileContext(e, parameters.weightFile);
        throw;
    }
    // A CSV file's columns are matched by the names the network records.
    parameters.columns = FileTools::ColumnsOfNetwork(parameters.columns, network->DataInfo());
    if (path == TRecallPath::Automatic) {
        path = WarnsOnEveryRow(*network) ? TRecallPath::Loaded : TRecallPath::RowByRow;
    }
    try {
        if (path == TRecallPath::Loaded) {
            RecallLoaded(*network, parameters);
        } else {
            RecallRowByRow(*network, parameters);
        }
    } catch (FileTools::Error& e) {
        FileTools::AddFileContext(e, parameters.recallFile);
        throw;
    }
}

}  // namespace

int RunRecallZorf(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    return RunRecallZorfAlong(argc, argv, out, err, TRecallPath::Automatic);
}

int RunRecallZorfAlong(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                       TRecallPath path) {
    if (argc == 2 && std::string_view(argv[1]) == "--help") {
        out << kRecallZorfHelp;
        return 0;
    }
    if (AsksForVersion(argc, argv, TVersionArgument::OnlyArgument)) {
        out << ProgramVersion("RecallZorf");
        return 0;
    }
    if (argc != 2) {
        err << "Usage: RecallZorf parameter.file\n";
        return 1;
    }
    TFileErrorTrap trap(out, err, "RecallZorf");
    return trap.Run([&] {
        const TRecallParameters parameters = ReadParameterFile(argv[1]);
        for (const std::string& hint : parameters.hints) {
            err << hint << '\n';
        }
        if (parameters.weightFile.empty()) {
            err << "No weight file specified\n";
            return 1;
        }
        if (parameters.recallFile.empty()) {
            err << "No data file specified\n";
            return 1;
        }
        if (!parameters.copyColumns.empty() && !(FileTools::IsCsvFileName(parameters.recallFile) &&
                                                 FileTools::IsCsvFileName(parameters.outputFile))) {
            err << "CopyColumns carries columns of a CSV recall file to a CSV output file\n";
            return 1;
        }
        if (const std::optional<std::string> clash = FileTools::OutputAmongInputs(
                parameters.outputFile, {{"recall file", parameters.recallFile},
                                        {"network file", parameters.weightFile},
                                        {"parameter file", argv[1]}})) {
            err << *clash << '\n';
            return 1;
        }
        try {
            Recall(parameters, path);
        } catch (const TException&) {
            // A recall file that cannot be opened is refused as a missing data set.
            if (const std::string why = FileTools::OpenFailureReason(parameters.recallFile);
                !why.empty()) {
                trap.context = "RecallZorf: " + parameters.recallFile + ": " + why;
            }
            throw;
        }
        return 0;
    });
}
