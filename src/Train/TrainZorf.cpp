#include "Train/TrainZorf.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "DataObject/Data.h"
#include "FileHandler/DataSetFile/Filer.h"
#include "FileHandler/FileErrorTrap.h"
#include "FileHandler/NetworkFile/DataInfoComment.h"
#include "FileHandler/NetworkFile/NetworkFileWriter.h"
#include "FileHandler/NetworkFile/NetworkSoundness.h"
#include "FileHandler/ParameterFile/ParameterReader.h"
#include "FileHandler/Syntax/FileContext.h"
#include "FileHandler/Syntax/FileMessages.h"
#include "FileHandler/Syntax/OutputApart.h"
#include "KQmessage/Check.h"
#include "KQmessage/FileToolsError.h"
#include "KQmessage/NumberText.h"
#include "KQmessage/ProgramVersion.h"
#include "KQmessage/StrCaseCmp.h"
#include "KQmessage/TException.h"
#include "KQmessage/WholeNumber.h"
#include "Train/Trainer.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

constexpr const char* kUsageLine = "Usage: TrainZorf parameter.file";

std::string Usage() {
    std::string text = std::string(kUsageLine) +
                       "\n\n"
                       "Trains the fuzzy network of WeightFile on the rows of TrainFile and writes "
                       "it to\nOutputWeightFile. Each setting in the parameter file is a keyword, "
                       "a separator\n(conventionally \" = \") and its value; keywords match in "
                       "any letter case and\nother words are skipped.\n\n"
                       "  WeightFile        required: the network to start from\n"
                       "  TrainFile         required: data set with inputs and expected outputs\n"
                       "  ValidationFile    optional: data set measured every epoch; the network "
                       "with\n                    the lowest error on it is the one written\n"
                       "  OutputWeightFile  the trained network (default trained.net)\n"
                       "  TrainingLog       optional: file with one row per epoch\n"
                       "  #Features, Features  the input columns to keep, as in RecallZorf\n"
                       "  TargetColumns     for a CSV file (*.csv): the expected outputs, by name "
                       "or\n                    number (#3), separated by commas\n"
                       "  InputColumns      for a CSV file: the inputs (default every other "
                       "column)\n"
                       "  ClassColumns      yes: a target column of numbers holds classes (a "
                       "column\n                    of words always does)\n";
    for (const TTrainSettingInfo& info : TrainSettingKeywords()) {
        std::string line = "  " + std::string(info.keyword);
        line.resize(20, ' ');
        text += line + info.meaning + " (default " + info.defaultValue + ")\n";
    }
    return text +
           "\nOptions, answered only as the one argument:\n"
           "  --help     this text\n"
           "  --version  the program's version\n";
}

[[noreturn]] void RefuseSetting(const TParameterReader& reader, const TTrainSettingError& e) {
    reader.Refuse(e.what());
}

// The settings that are whole numbers: read by the parameter files' one rule for them
// ("0x" hexadecimal, a leading "0" octal), as RecallZorf reads its numbers.
constexpr std::string_view kWholeNumberSettings[] = {"Epochs", "BatchSize", "Patience", "Seed",
                                                     "FineTuneEpochs"};

bool IsWholeNumberSetting(std::string_view keyword) {
    for (const std::string_view whole : kWholeNumberSettings) {
        if (KQML::strcasecmp(keyword, whole) == 0) {
            return true;
        }
    }
    return false;
}

// The value of a whole-number setting in decimal, as SetTrainSetting reads it.
std::optional<std::string> WholeNumberValue(TParameterReader& reader, std::string_view keyword) {
    if (!reader.NumberFollows()) {
        const std::optional<std::string_view> word = reader.Word();
        return word ? std::optional<std::string>(*word) : std::nullopt;
    }
    const std::optional<std::int64_t> value = reader.WholeNumber(keyword, 4294967295U);
    return value ? std::optional<std::string>(std::to_string(*value)) : std::nullopt;
}

// A training setting's value: the penalty may hold blanks within its parentheses, "TrainLayers" is
// the weight layers that follow as separate numbers.
void ReadSetting(TParameterReader& reader, std::string_view keyword, TTrainSettings& settings) {
    std::optional<std::string> value;
    if (reader.Separator()) {
        if (IsWholeNumberSetting(keyword)) {
            value = WholeNumberValue(reader, keyword);
        } else {
            const std::optional<std::string_view> word = KQML::strcasecmp(keyword, "Penalty") == 0
                                                             ? reader.BracketedWord(keyword)
                                                             : reader.Word();
            value = word ? std::optional<std::string>(*word) : std::nullopt;
        }
    }
    if (!value) {
        reader.Refuse(std::string(keyword) + " has no value");
    }
    std::string text(*value);
    if (KQML::strcasecmp(keyword, "TrainLayers") == 0) {
        while (const std::optional<std::string_view> next = reader.PeekWord()) {
            if (!WeightLayerNumber(*next)) {
                break;
            }
            text += " " + std::string(*reader.Word());
        }
    }
    try {
        SetTrainSetting(settings, keyword, text);
    } catch (const TTrainSettingError& e) {
        RefuseSetting(reader, e);
    }
}

// Every keyword of the parameter file, for the hints at keywords written without blanks.
std::span<const std::string_view> Keywords() {
    static const std::vector<std::string_view> keywords = [] {
        std::vector<std::string_view> list = {"WeightFile",       "TrainFile",   "ValidationFile",
                                              "OutputWeightFile", "TrainingLog", "#Features",
                                              "Features"};
        list.insert(list.end(), std::begin(kColumnKeywords), std::end(kColumnKeywords));
        for (const TTrainSettingInfo& info : TrainSettingKeywords()) {
            list.emplace_back(info.keyword);
        }
        return list;
    }();
    return keywords;
}

}  // namespace

TTrainParameters ParseTrainParameterText(const std::string& text, const std::string& path) {
    TParameterReader reader(text, path);
    TTrainParameters parameters;
    TFeatureList features;
    const std::array<std::pair<const char*, std::string*>, 5> names = {{
        {"WeightFile", &parameters.weightFile},
        {"TrainFile", &parameters.trainFile},
        {"ValidationFile", &parameters.validationFile},
        {"OutputWeightFile", &parameters.outputWeightFile},
        {"TrainingLog", &parameters.trainingLog},
    }};
    while (std::optional<std::string_view> word = reader.Word()) {
        bool named = false;
        for (const auto& [keyword, name] : names) {
            if (KQML::strcasecmp(*word, keyword) == 0) {
                ReadName(reader, *name);
                named = true;
                break;
            }
        }
        if (named || ReadFeatureKeyword(*word, reader, features) ||
            ReadColumnKeyword(*word, reader, parameters.columns)) {
            continue;
        }
        if (IsTrainSetting(*word)) {
            ReadSetting(reader, *word, parameters.settings);
        } else {
            HintAtGluedKeyword(*word, reader, Keywords());
        }
    }
    parameters.features = FinishFeatures(reader, features);
    parameters.hints = reader.TakeHints();
    return parameters;
}

namespace {

std::string General(double value) {
    std::array<char, NumberText::kGeneralTextSize> text{};
    return std::string(NumberText::FormatGeneral(text, value, 6));
}

// A data set file's rows; a file error names the file and the place in it on the context line,
// as RecallZorf's do, so that a user with a training and a validation file knows which broke.
// A CSV file's columns are chosen by `columns`, and its names come along.
FileTools::TCsvDataSet LoadRows(FileTools::ScratchBuffer& scratch, const std::string& fileName,
                                const FileTools::TCsvColumnChoice& columns,
                                const std::vector<std::int32_t>& features) {
    FileTools::TCsvDataSet loaded;
    try {
        if (FileTools::IsCsvFileName(fileName)) {
            if (columns.targets.empty()) {
                FileTools::Error error(
                    "TargetColumns must name the expected outputs of a CSV file");
                error.line = 1;
                throw error;
            }
            loaded = FileTools::LoadCsvDataSet(fileName, columns);
        } else {
            loaded.data = FileTools::LoadDataSet(scratch, fileName).data;
        }
        if (!loaded.data) {
            FileTools::Error error(std::string(FileTools::Messages::kOpenFailed) + ": " + fileName);
            error.reason = FileTools::OpenFailureReason(fileName);
            throw error;
        }
    } catch (FileTools::Error& e) {
        FileTools::AddFileContext(e, fileName);
        throw;
    }
    if (!features.empty()) {
        loaded.data->SelectFeatures(features);
    }
    return loaded;
}

// A CSV file's rows: the network learns the names, ranges and classes it does not record yet,
// and targets in their own units are taken into [0, 1] over the recorded ranges. The
// classes of a validation file are those of the training file.
void LearnTheData(TZorf& network, const FileTools::TCsvDataSet& training,
                  const std::vector<std::int32_t>& features, FileTools::TCsvColumnChoice& columns) {
    // What the network records already stays; what it lacks (the names of inputs whose
    // ranges MakeZorf --ranges recorded, the outputs) comes from the rows.
    const TZorfDataInfo described = FileTools::DescribeCsvDataSet(training, features);
    TZorfDataInfo info = network.DataInfo();
    if (info.inputs.empty()) {
        info.inputs = described.inputs;
    }
    for (std::size_t input = 0; input < info.inputs.size() && input < described.inputs.size();
         ++input) {
        if (info.inputs[input].name.empty()) {
            info.inputs[input].name = described.inputs[input].name;
        }
    }
    if (info.outputs.empty()) {
        info.outputs = described.outputs;
        info.classColumns = described.classColumns;
    }
    FileTools::RequireDataInfoFits(info, network.GetConditionLayer()->GetNumInputs(),
                                   network.GetLayer(network.GetOutLayer())->GetNumNeurons());
    network.SetDataInfo(std::move(info));
    columns.knownClasses.clear();
    for (const FileTools::TCsvTarget& target : training.targets) {
        columns.knownClasses.push_back(target.classes);
    }
}

// Refuses, before anything is trained, an output file whose folder is missing or cannot be
// written: a run of hours must not end without its network.
void RequireWritableFolder(const std::string& fileName) {
    if (fileName.empty()) {
        return;
    }
    const std::filesystem::path folder = std::filesystem::path(fileName).parent_path().empty()
                                             ? std::filesystem::path(".")
                                             : std::filesystem::path(fileName).parent_path();
    std::error_code failed;
    if (!std::filesystem::is_directory(folder, failed)) {
        throw FileTools::Error("Unable to write " + fileName + ": no folder " + folder.string());
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        throw FileTools::Error("Unable to write " + fileName + ": " + std::strerror(errno));
    }
}

// SIGINT and SIGTERM set the flag while training runs; the run then ends with the best
// network so far. The previous handlers come back afterwards.
std::atomic<bool> stopRequested{false};

extern "C" void RequestStop(int) {
    stopRequested.store(true);
}

class TStopOnSignal {
  public:
    TStopOnSignal() {
        stopRequested.store(false);
        previousInterrupt = Catch(SIGINT);
        previousTerminate = Catch(SIGTERM);
    }
    TStopOnSignal(const TStopOnSignal&) = delete;
    TStopOnSignal& operator=(const TStopOnSignal&) = delete;
    ~TStopOnSignal() {
        std::signal(SIGINT, previousInterrupt);
        std::signal(SIGTERM, previousTerminate);
    }

  private:
    // A signal the shell set to be ignored (a run started with nohup or in the background of a
    // non-interactive shell) stays ignored.
    static void (*Catch(int signal))(int) {
        void (*previous)(int) = std::signal(signal, RequestStop);
        if (previous == SIG_IGN) {
            std::signal(signal, SIG_IGN);
        }
        return previous;
    }

    void (*previousInterrupt)(int) = SIG_DFL;
    void (*previousTerminate)(int) = SIG_DFL;
};

// `rows` names what the rows of TrainFile are to this run: with no epoch to train they are
// only measured, and calling their error a training error would misreport them.
void ReportEpoch(std::ostream& out, const TEpochRecord& record, const char* rows) {
    out << "epoch " << record.epoch << "  " << rows << " " << General(record.trainingError);
    if (record.validationError) {
        out << "  validation " << General(*record.validationError);
    }
    out << "  seconds " << General(record.seconds) << '\n';
}

void ReportAccuracy(std::ostream& out, TZorf& network, Data& rows, const char* role) {
    if (const std::optional<double> accuracy = ClassificationAccuracy(network, rows)) {
        out << role << " accuracy " << General(*accuracy) << '\n';
    }
}

// Progress lines: every epoch for short runs, about a hundred lines for long ones, and at
// least one every few seconds of wall time whatever the count; with restarts, a line before
// each run.
class TProgressLines {
  public:
    TProgressLines(std::ostream& stream, std::int32_t epochs, std::int32_t restarts)
        : out(stream),
          interval(std::max<std::int32_t>(1, epochs / 100)),
          runs(epochs == 0 ? 1 : restarts),
          rows(epochs == 0 ? "measured" : "training") {}

    void Epoch(const TEpochRecord& record) {
        // Every run measures its start as epoch 0; pruning's fine-tuning numbers on.
        if (record.epoch == 0 && runs > 1) {
            Finish();
            last.reset();
            out << "run " << ++run << " of " << runs << '\n';
        }
        const auto now = std::chrono::steady_clock::now();
        if (record.epoch % interval == 0 || now - lastLine >= kLongestSilence) {
            ReportEpoch(out, record, rows);
            lastLine = now;
            lastShown = record.epoch;
        }
        last = record;
    }

    // The last epoch measured, unless its line was shown.
    void Finish() {
        if (last && last->epoch != lastShown) {
            ReportEpoch(out, *last, rows);
        }
    }

    const char* Rows() const { return rows; }

  private:
    static constexpr std::chrono::seconds kLongestSilence{5};
    std::ostream& out;
    std::int32_t interval;
    std::int32_t runs;
    std::int32_t run = 0;
    const char* rows;
    std::optional<TEpochRecord> last;
    std::int32_t lastShown = -1;
    std::chrono::steady_clock::time_point lastLine = std::chrono::steady_clock::now();
};

void ReportKept(std::ostream& out, const TEpochRecord& best, const char* rows) {
    out << "best epoch " << best.epoch << "  " << rows << " " << General(best.trainingError);
    if (best.validationError) {
        out << "  validation " << General(*best.validationError);
    }
    out << '\n';
}

// With restarts, each run's best epoch and the run kept.
void ReportRuns(std::ostream& out, const TTrainResult& result, const char* rows) {
    if (result.runBests.size() <= 1) {
        return;
    }
    for (std::size_t run = 0; run < result.runBests.size(); ++run) {
        out << "run " << run + 1 << ": ";
        ReportKept(out, result.runBests[run], rows);
    }
    out << "kept run " << result.keptRun + 1 << " of " << result.runBests.size() << '\n';
}

// Loading, training and writing; everything they raise unwinds to the error trap.
int TrainFromFiles(const TTrainParameters& parameters, std::ostream& out) {
    RequireWritableFolder(parameters.outputWeightFile);
    RequireWritableFolder(parameters.trainingLog);
    FileTools::ScratchBuffer scratch;
    std::unique_ptr<TZorf> network;
    try {
        network = FileTools::LoadRecallableZorf(scratch, parameters.weightFile);
    } catch (FileTools::Error& e) {
        FileTools::AddFileContext(e, parameters.weightFile);
        throw;
    }
    FileTools::TCsvColumnChoice columns =
        FileTools::ColumnsOfNetwork(parameters.columns, network->DataInfo());
    FileTools::TCsvDataSet trainingSet =
        LoadRows(scratch, parameters.trainFile, columns, parameters.features);
    const std::unique_ptr<Data>& training = trainingSet.data;
    if (FileTools::IsCsvFileName(parameters.trainFile)) {
        try {
            LearnTheData(*network, trainingSet, parameters.features, columns);
        } catch (FileTools::Error& e) {
            FileTools::AddFileContext(e, parameters.trainFile);
            throw;
        }
    }
    if (!FileTools::IsCsvFileName(parameters.trainFile) && network->DataInfo().outputs.empty()) {
        // Expected outputs outside [0, 1] are in the user's units: the network records their
        // ranges over the training rows, as it does for a CSV file's.
        TZorfDataInfo info = network->DataInfo();
        info.outputs = FileTools::OutputRangesOutsideUnit(*training);
        network->SetDataInfo(std::move(info));
    }
    // A network that records its outputs' ranges answers in those units, so it learns from
    // targets in them, whichever kind of file holds them.
    FileTools::ScaleTargets(*training, network->DataInfo());
    std::unique_ptr<Data> validation;
    if (!parameters.validationFile.empty()) {
        validation =
            LoadRows(scratch, parameters.validationFile, columns, parameters.features).data;
        FileTools::ScaleTargets(*validation, network->DataInfo());
    }
    TProgressLines lines(out, parameters.settings.epochs, parameters.settings.restarts);
    const TEpochProgress progress = [&lines](const TEpochRecord& record) { lines.Epoch(record); };
    TTrainResult result;
    {
        const TStopOnSignal signals;
        result = Train(*network, *training, validation.get(), parameters.settings, progress,
                       &stopRequested);
    }
    lines.Finish();
    const TEpochRecord& kept = result.Best();
    ReportRuns(out, result, lines.Rows());
    ReportKept(out, kept, lines.Rows());
    if (result.pruning) {
        out << "pruned " << result.pruning->arcsRemoved << " arcs and "
            << result.pruning->rulesRemoved << " rules; error before "
            << General(result.pruning->errorBefore) << ", after "
            << General(result.pruning->errorAfter) << '\n';
    }
    ReportAccuracy(out, *network, *training, lines.Rows());
    if (validation) {
        ReportAccuracy(out, *network, *validation, "validation");
    }
    if (parameters.settings.epochs == 0) {
        out << "Epochs = 0: the network was measured, nothing written\n";
        return 0;
    }
    // The network first: a log that cannot be written must not cost the trained network.
    FileTools::SaveNetwork(parameters.outputWeightFile, *network);
    if (!parameters.trainingLog.empty()) {
        TrainingLog::Write(parameters.trainingLog, result.history, result.bestEpoch);
    }
    if (result.interrupted) {
        out << "Interrupted: wrote the best network so far (epoch " << kept.epoch << ") to "
            << parameters.outputWeightFile << '\n';
        return 1;
    }
    return 0;
}

// Both files the run writes are refused before anything is read where either is one of the
// files it reads, or where they are one file: the input, or the network, would be gone by the
// time training ended.
std::optional<std::string> OutputAmongInputs(const TTrainParameters& parameters,
                                             const std::string& parameterFile) {
    const std::vector<FileTools::NamedInput> inputs = {
        {"network file", parameters.weightFile},
        {"training file", parameters.trainFile},
        {"validation file", parameters.validationFile},
        {"parameter file", parameterFile}};
    for (const std::string* output : {&parameters.outputWeightFile, &parameters.trainingLog}) {
        if (std::optional<std::string> clash = FileTools::OutputAmongInputs(*output, inputs)) {
            return clash;
        }
    }
    if (FileTools::SameOutputFile(parameters.outputWeightFile, parameters.trainingLog)) {
        return "The training log is also the output weight file";
    }
    return std::nullopt;
}

}  // namespace

int RunTrainZorf(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    if (argc == 2 && std::string_view(argv[1]) == "--help") {
        out << Usage();
        return 0;
    }
    if (AsksForVersion(argc, argv, TVersionArgument::OnlyArgument)) {
        out << ProgramVersion("TrainZorf");
        return 0;
    }
    if (argc != 2) {
        err << kUsageLine << '\n';
        return 1;
    }
    return TFileErrorTrap(out, err, "TrainZorf").Run([&] {
        const TTrainParameters parameters =
            ParseTrainParameterText(ReadParameterFileText(argv[1]), argv[1]);
        for (const std::string& hint : parameters.hints) {
            err << hint << '\n';
        }
        if (parameters.weightFile.empty()) {
            err << "No weight file specified\n";
            return 1;
        }
        if (parameters.trainFile.empty()) {
            err << "No training file specified\n";
            return 1;
        }
        if (const std::optional<std::string> clash = OutputAmongInputs(parameters, argv[1])) {
            err << *clash << '\n';
            return 1;
        }
        return TrainFromFiles(parameters, out);
    });
}
