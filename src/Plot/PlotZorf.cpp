#include "Plot/PlotZorf.h"

#include <algorithm>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "FileHandler/DataSetFile/Filer.h"
#include "FileHandler/DataSetFile/InputRow.h"
#include "FileHandler/NetworkFile/NetworkSoundness.h"
#include "FileHandler/Syntax/OutputApart.h"
#include "KQmessage/Check.h"
#include "KQmessage/ErrorTrap.h"
#include "KQmessage/FileToolsError.h"
#include "KQmessage/NumberText.h"
#include "KQmessage/ProgramVersion.h"
#include "KQmessage/TArgumentError.h"
#include "KQmessage/TException.h"
#include "KQmessage/WholeNumber.h"
#include "Plot/MembershipPlot.h"
#include "Plot/PlotAxes.h"
#include "Plot/RowPlot.h"
#include "Plot/RulePlot.h"
#include "Plot/SurfacePlot.h"
#include "Plot/TrainingPlot.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TZorfExplanation.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

constexpr const char* kUsage =
    "Usage: PlotZorf PLOT source.file picture.svg [options]\n"
    "\n"
    "Draws a picture of a six-layer fuzzy network (or of its training) as a self-contained\n"
    "SVG file, replacing a file of that name only when all of it was written.\n"
    "\n"
    "  PlotZorf membership network.file picture.svg [--data file.dat]\n"
    "      the membership functions of every input as the network computes them, and the\n"
    "      centres of every output's functions; --data adds a histogram of each input's\n"
    "      values in that data set file\n"
    "  PlotZorf rules network.file picture.svg\n"
    "      the condition-to-rule and rule-to-action weights as heat maps, the rules sorted\n"
    "      by the condition that drives each most; pruned arcs blank, frozen arcs marked\n"
    "  PlotZorf surface network.file picture.svg --inputs I,J [--output K] [--fix N=V,...]\n"
    "      output K (default 0) over inputs I and J, each from its lowest to its highest\n"
    "      membership-function centre, with contour lines; every other input stays in the\n"
    "      middle of its range unless --fix gives its value (inputs count from 0)\n"
    "  PlotZorf training training.log picture.svg\n"
    "      training and validation error per epoch (log scale) from TrainZorf's training\n"
    "      log, the epoch of the lowest validation error marked\n"
    "  PlotZorf row network.file picture.svg (--values V,V,... | --data file.dat --row N)\n"
    "      why one row (given, or row N of a data set file, counted from 1) gets its\n"
    "      outputs: each input's functions with the row's value marked, the rule\n"
    "      activations as bars, each output's functions weighted by their activations and\n"
    "      the centre of gravity they make\n"
    "\n"
    "A value follows its option as the next argument or after '=' (--inputs=0,1).\n"
    "  --help     this text\n"
    "  --version  the program's version\n";

using Arguments::Quoted;
using Arguments::Refuse;

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> items;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        items.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

enum class TPlotKind { Membership, Rules, Surface, Training, Row };

struct TCommandLine {
    bool help = false;
    TPlotKind kind = TPlotKind::Membership;
    std::string source;
    std::string picture;
    std::map<std::string, std::string, std::less<>> options;

    std::optional<std::string_view> Option(std::string_view name) const {
        const auto found = options.find(name);
        return found == options.end() ? std::nullopt
                                      : std::optional<std::string_view>(found->second);
    }
};

TPlotKind PlotKind(std::string_view name) {
    const std::pair<std::string_view, TPlotKind> kinds[] = {{"membership", TPlotKind::Membership},
                                                            {"rules", TPlotKind::Rules},
                                                            {"surface", TPlotKind::Surface},
                                                            {"training", TPlotKind::Training},
                                                            {"row", TPlotKind::Row}};
    for (const auto& [known, kind] : kinds) {
        if (name == known) {
            return kind;
        }
    }
    Refuse("unknown plot " + Quoted(name) +
           ": name membership, rules, surface, training or row (see PlotZorf --help)");
}

// The options each plot takes.
std::vector<std::string_view> OptionsOf(TPlotKind kind) {
    switch (kind) {
        case TPlotKind::Membership:
            return {"--data"};
        case TPlotKind::Surface:
            return {"--inputs", "--output", "--fix"};
        case TPlotKind::Row:
            return {"--values", "--data", "--row"};
        default:
            return {};
    }
}

TCommandLine ReadCommandLine(int argc, const char* const* argv) {
    TCommandLine line;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--help") {
            line.help = true;
            return line;
        }
    }
    if (argc < 2) {
        Refuse("name a plot: membership, rules, surface, training or row (see PlotZorf --help)");
    }
    line.kind = PlotKind(argv[1]);
    const std::vector<std::string_view> known = OptionsOf(line.kind);
    std::vector<std::string_view> files;
    for (int i = 2; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!argument.starts_with("--")) {
            files.push_back(argument);
            continue;
        }
        const Arguments::TOption option = Arguments::ReadOption(argc, argv, i);
        const std::string name(option.name);
        if (std::find(known.begin(), known.end(), option.name) == known.end()) {
            Refuse("the " + std::string(argv[1]) + " plot has no option " + name +
                   " (see PlotZorf --help)");
        }
        if (!option.value) {
            Refuse(name + " needs a value");
        }
        if (!line.options.emplace(name, *option.value).second) {
            Refuse(name + " given twice");
        }
    }
    if (files.size() != 2) {
        Refuse(std::string("name the ") +
               (line.kind == TPlotKind::Training ? "training log" : "network file") +
               " and the SVG file to write (see PlotZorf --help)");
    }
    line.source = files[0];
    line.picture = files[1];
    if (line.kind == TPlotKind::Surface && !line.Option("--inputs")) {
        Refuse("--inputs is required for the surface plot (see PlotZorf --help)");
    }
    return line;
}

// Runs a reader and names its file in whatever it refuses.
template <class Read>
auto ReadingFile(const std::string& fileName, Read read) {
    try {
        return read();
    } catch (const FileTools::Error& e) {
        Refuse(fileName + ": " + e.message);
    } catch (const TException& e) {
        Refuse(fileName + ": " + e.message);
    } catch (const TCheckFailure& e) {
        Refuse(fileName + ": " + e.what());
    }
}

std::unique_ptr<TZorf> LoadFuzzyNetwork(const std::string& fileName) {
    std::unique_ptr<TZorf> network = ReadingFile(fileName, [&fileName] {
        FileTools::ScratchBuffer scratch;
        return FileTools::LoadRecallableZorf(scratch, fileName);
    });
    const TConditionLayer* conditions = network->GetConditionLayer();
    if (conditions == nullptr || !conditions->HasMFs()) {
        Refuse(fileName + ": layer 2 is not a FuzzyCondition layer with membership functions");
    }
    const TZorfOutputLayer* outputs = network->GetDefuzzifyLayer();
    if (outputs == nullptr || !outputs->HasMFs()) {
        Refuse(fileName + ": layer 5 is not a Defuzzify layer with membership functions");
    }
    return network;
}

// The log's own refusals name the file and the line already.
TrainingLog::TLog ReadTrainingLog(const std::string& fileName) {
    try {
        TrainingLog::TLog log = TrainingLog::ReadLog(fileName);
        if (log.epochs.empty()) {
            Refuse(fileName + ": the training log holds no epoch");
        }
        return log;
    } catch (const FileTools::Error& e) {
        Refuse(e.message);
    }
}

std::unique_ptr<Data> LoadHistogramData(const std::string& fileName, const TZorf& network) {
    FileTools::LoadedDataSet loaded = ReadingFile(fileName, [&fileName] {
        FileTools::ScratchBuffer scratch;
        return FileTools::LoadDataSet(scratch, fileName);
    });
    if (!loaded.data) {
        Refuse(fileName + ": " + FileTools::StatusText(loaded.status));
    }
    const std::int32_t needed = network.GetConditionLayer()->GetNumInputs();
    if (loaded.data->MbrNdxInputs != needed) {
        Refuse(fileName + ": the data set has " + std::to_string(loaded.data->MbrNdxInputs) +
               " inputs, the network " + std::to_string(needed));
    }
    return std::move(loaded.data);
}

std::string Plural(std::int32_t count, const std::string& noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::int32_t NodeNumber(std::string_view option, std::string_view text, std::int32_t count,
                        const std::string& noun, const std::string& fileName) {
    const std::optional<std::int32_t> number = WholeNumber::Count(text);
    if (!number) {
        Refuse(std::string(option) + ": " + Quoted(text) + " is not " +
               (noun == "input" ? "an " : "a ") + noun + " number (0, 1, ...)");
    }
    if (*number >= count) {
        Refuse(std::string(option) + ": " + noun + " " + std::string(text) + " is not one of " +
               fileName + " (it has " + Plural(count, noun) + ", numbered from 0)");
    }
    return *number;
}

TSurfaceRequest SurfaceRequest(const TCommandLine& line, const TZorf& network) {
    const std::int32_t inputs = network.GetConditionLayer()->GetNumInputs();
    const std::int32_t outputs = network.GetDefuzzifyLayer()->GetNumNeurons();
    TSurfaceRequest request;
    const std::vector<std::string_view> pair = Split(*line.Option("--inputs"), ',');
    if (pair.size() != 2) {
        Refuse("--inputs must name two inputs I,J, not " + Quoted(*line.Option("--inputs")));
    }
    request.inputX = NodeNumber("--inputs", pair[0], inputs, "input", line.source);
    request.inputY = NodeNumber("--inputs", pair[1], inputs, "input", line.source);
    if (request.inputX == request.inputY) {
        Refuse("--inputs must name two different inputs");
    }
    if (const std::optional<std::string_view> output = line.Option("--output")) {
        request.output = NodeNumber("--output", *output, outputs, "output", line.source);
    }
    request.fixed.resize(static_cast<std::size_t>(inputs));
    if (const std::optional<std::string_view> fix = line.Option("--fix")) {
        std::set<std::int32_t> fixedInputs;
        for (const std::string_view item : Split(*fix, ',')) {
            const std::size_t equals = item.find('=');
            const std::optional<double> value =
                equals == item.npos ? std::nullopt : WholeNumber::Decimal(item.substr(equals + 1));
            if (!value) {
                Refuse("--fix must list INPUT=VALUE, not " + Quoted(item));
            }
            const std::int32_t input =
                NodeNumber("--fix", item.substr(0, equals), inputs, "input", line.source);
            if (input == request.inputX || input == request.inputY) {
                Refuse("--fix: input " + std::to_string(input) + " is plotted, not fixed");
            }
            if (!fixedInputs.insert(input).second) {
                Refuse("--fix: input " + std::to_string(input) + " is fixed twice");
            }
            request.fixed[static_cast<std::size_t>(input)] = *value;
        }
    }
    return request;
}

// The picture must never replace a file the plot is drawn from.
void RefusePictureAmongInputs(const TCommandLine& line) {
    std::vector<FileTools::NamedInput> inputs = {
        {line.kind == TPlotKind::Training ? "training log" : "network file", line.source}};
    if (const std::optional<std::string_view> dataFile = line.Option("--data")) {
        inputs.push_back({"data file", std::string(*dataFile)});
    }
    if (const std::optional<std::string> clash =
            FileTools::OutputAmongInputs(line.picture, inputs)) {
        Refuse(*clash);
    }
}

void WritePicture(const TCommandLine& line) {
    RefusePictureAmongInputs(line);
    const std::string name = BaseName(line.source);
    FileTools::OutputStream out = FileTools::OutputStream::ReplaceFile(line.picture);
    if (line.kind == TPlotKind::Training) {
        const TrainingLog::TLog log = ReadTrainingLog(line.source);
        WriteTrainingPlot(out, log.epochs, "Training of " + name, log.keptEpoch);
    } else {
        const std::unique_ptr<TZorf> network = LoadFuzzyNetwork(line.source);
        if (line.kind == TPlotKind::Membership) {
            const std::optional<std::string_view> dataFile = line.Option("--data");
            const std::unique_ptr<Data> data =
                dataFile ? LoadHistogramData(std::string(*dataFile), *network) : nullptr;
            WriteMembershipPlot(out, *network, "Membership functions of " + name, data.get());
        } else if (line.kind == TPlotKind::Rules) {
            WriteRulePlot(out, *network, "Rules of " + name);
        } else if (line.kind == TPlotKind::Row) {
            const std::vector<double> values = FileTools::ChooseInputRow(
                {line.Option("--values"), line.Option("--data"), line.Option("--row")},
                network->GetArchitecture().numInputs, line.source);
            TZorfExplanation row;
            ReadingFile(line.source, [&] {
                ExplainRow(*network, values, row);
                return 0;
            });
            WriteRowPlot(out, *network, "Why " + name + " gives its outputs", row);
        } else {
            const TSurfaceRequest request = SurfaceRequest(line, *network);
            ReadingFile(line.source, [&] {
                WriteSurfacePlot(out, *network, "Response surface of " + name, request);
                return 0;
            });
        }
    }
    if (!out.Commit()) {
        const std::string& reason = out.FailureReason();
        Refuse(line.picture + ": the picture could not be written" +
               (reason.empty() ? std::string() : ": " + reason));
    }
}

}  // namespace

int RunPlotZorf(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    if (AsksForVersion(argc, argv, TVersionArgument::AnyArgument)) {
        out << ProgramVersion("PlotZorf");
        return 0;
    }
    return TErrorTrap("PlotZorf", out, err).Run([&] {
        const TCommandLine line = ReadCommandLine(argc, argv);
        if (line.help) {
            out << kUsage;
            return 0;
        }
        WritePicture(line);
        return 0;
    });
}
