#include "Train/TrainZorf.h"

#include <array>
#include <atomic>
#include <csignal>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "DataObject/Data.h"
#include "FileHandler/DataSetFile/Filer.h"
#include "FileHandler/NetworkFile/NetworkFileWriter.h"
#include "FileHandler/Syntax/FileMessages.h"
#include "FileHandler/Syntax/OutputApart.h"
#include "KQmessage/Check.h"
#include "KQmessage/FileToolsError.h"
#include "KQmessage/NumberText.h"
#include "KQmessage/ProgramVersion.h"
#include "KQmessage/StrCaseCmp.h"
#include "KQmessage/TException.h"
#include "KQmessage/WholeNumber.h"
#include "Recall/ParameterFile.h"
#include "Recall/RecallZorf.h"
#include "Train/Trainer.h"
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
                       "  #Features, Features  the input columns to keep, as in RecallZorf\n";
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

// A training setting's value: the penalty may hold blanks within its parentheses, "TrainLayers" is
// the weight layers that follow as separate numbers.
void ReadSetting(TParameterReader& reader, std::string_view keyword, TTrainSettings& settings) {
    std::optional<std::string_view> value;
    if (reader.Separator()) {
        value = KQML::strcasecmp(keyword, "Penalty") == 0 ? reader.BracketedWord(keyword)
                                                          : reader.Word();
    }
    if (!value) {
        reader.Refuse(std::string(keyword) + " has no value");
    }
    std::string text(*value);
    if (KQML::strcasecmp(keyword, "TrainLayers") == 0) {
        while (const std::optional<std::string_view> next = reader.PeekWord()) {
            const std::optional<std::int32_t> layer = WholeNumber::Count(*next);
            if (!layer || *layer < 1 || *layer > 4) {
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
        if (!named && !ReadFeatureKeyword(*word, reader, features) && IsTrainSetting(*word)) {
            ReadSetting(reader, *word, parameters.settings);
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

std::unique_ptr<Data> LoadRows(FileTools::ScratchBuffer& scratch, const std::string& fileName,
                               const std::vector<std::int32_t>& features) {
    std::unique_ptr<Data> rows = FileTools::LoadDataSet(scratch, fileName).data;
    if (!rows) {
        throw FileTools::Error(std::string(FileTools::Messages::kOpenFailed) + ": " + fileName);
    }
    if (!features.empty()) {
        rows->SelectFeatures(features);
    }
    return rows;
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
        previousInterrupt = std::signal(SIGINT, RequestStop);
        previousTerminate = std::signal(SIGTERM, RequestStop);
    }
    TStopOnSignal(const TStopOnSignal&) = delete;
    TStopOnSignal& operator=(const TStopOnSignal&) = delete;
    ~TStopOnSignal() {
        std::signal(SIGINT, previousInterrupt);
        std::signal(SIGTERM, previousTerminate);
    }

  private:
    void (*previousInterrupt)(int) = SIG_DFL;
    void (*previousTerminate)(int) = SIG_DFL;
};

// Progress lines: every epoch for short runs, about a hundred lines for long ones.
std::int32_t ReportInterval(std::int32_t epochs) {
    return std::max<std::int32_t>(1, epochs / 100);
}

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

// Loading, training and writing; everything they raise unwinds to the error trap.
int TrainFromFiles(const TTrainParameters& parameters, std::ostream& out) {
    FileTools::ScratchBuffer scratch;
    const std::unique_ptr<TZorf> network = LoadZorfNetwork(scratch, parameters.weightFile);
    const std::unique_ptr<Data> training =
        LoadRows(scratch, parameters.trainFile, parameters.features);
    std::unique_ptr<Data> validation;
    if (!parameters.validationFile.empty()) {
        validation = LoadRows(scratch, parameters.validationFile, parameters.features);
    }
    const std::int32_t interval = ReportInterval(parameters.settings.epochs);
    const char* rows = parameters.settings.epochs == 0 ? "measured" : "training";
    TEpochRecord last;
    const TEpochProgress progress = [&](const TEpochRecord& record) {
        if (record.epoch % interval == 0) {
            ReportEpoch(out, record, rows);
        }
        last = record;
    };
    TTrainResult result;
    {
        const TStopOnSignal signals;
        result = Train(*network, *training, validation.get(), parameters.settings, progress,
                       &stopRequested);
    }
    if (last.epoch % interval != 0) {
        ReportEpoch(out, last, rows);
    }
    const TEpochRecord* best = &result.history.front();
    for (const TEpochRecord& record : result.history) {
        best = record.epoch == result.bestEpoch ? &record : best;
    }
    out << "best epoch " << best->epoch << "  " << rows << " " << General(best->trainingError);
    if (best->validationError) {
        out << "  validation " << General(*best->validationError);
    }
    out << '\n';
    if (result.pruning) {
        out << "pruned " << result.pruning->arcsRemoved << " arcs and "
            << result.pruning->rulesRemoved << " rules; error before "
            << General(result.pruning->errorBefore) << ", after "
            << General(result.pruning->errorAfter) << '\n';
    }
    ReportAccuracy(out, *network, *training, rows);
    if (validation) {
        ReportAccuracy(out, *network, *validation, "validation");
    }
    if (!parameters.trainingLog.empty()) {
        TrainingLog::Write(parameters.trainingLog, result.history);
    }
    if (parameters.settings.epochs == 0) {
        out << "Epochs = 0: the network was measured, nothing written\n";
        return 0;
    }
    FileTools::SaveNetwork(parameters.outputWeightFile, *network);
    if (result.interrupted) {
        out << "Interrupted: wrote the best network so far (epoch " << result.bestEpoch << ") to "
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

// Recall's reports under TrainZorf's name; a refused training or setting is reported bare.
class TTrainErrorTrap : public TRecallErrorTrap {
  public:
    TTrainErrorTrap(std::ostream& outStream, std::ostream& errStream)
        : TRecallErrorTrap(outStream, errStream, "TrainZorf") {}

  protected:
    void ReportOther(const std::exception& failure) override {
        if (dynamic_cast<const TTrainRefusal*>(&failure) != nullptr ||
            dynamic_cast<const TTrainSettingError*>(&failure) != nullptr) {
            err << failure.what() << '\n';
            return;
        }
        TRecallErrorTrap::ReportOther(failure);
    }
};

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
    return TTrainErrorTrap(out, err).Run([&] {
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
