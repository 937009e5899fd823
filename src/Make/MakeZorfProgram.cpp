#include "Make/MakeZorfProgram.h"

#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "DataObject/Data.h"
#include "FileHandler/CsvFile/CsvDataSet.h"
#include "FileHandler/DataSetFile/Filer.h"
#include "FileHandler/DataSetFile/FilerStatus.h"
#include "FileHandler/NetworkFile/NetworkFileWriter.h"
#include "FileHandler/Syntax/FileContext.h"
#include "KQmessage/ErrorTrap.h"
#include "KQmessage/FileToolsError.h"
#include "KQmessage/ProgramVersion.h"
#include "KQmessage/TArgumentError.h"
#include "KQmessage/TException.h"
#include "KQmessage/WholeNumber.h"
#include "Zorf/MakeZorf.h"
#include "Zorf/StartFromData.h"

namespace {

constexpr const char* kUsage =
    "Usage: MakeZorf [options] network.file\n"
    "\n"
    "Creates a new six-layer fuzzy network and writes it to network.file (replacing a file\n"
    "of that name only when all of it was written). The membership functions get evenly\n"
    "spread centres; the rule and action arcs get weights drawn from [--min, --max) by the\n"
    "pseudo-random sequence started at --seed, so the same options give the same file.\n"
    "\n"
    "With --data the network starts from the rows of a data set file with inputs and\n"
    "expected outputs (in [0, 1]) instead: each input's centres at the quantiles of its own\n"
    "values (inputs need no scaling), one rule per cluster of the rows (k-means++ from\n"
    "--seed), action weights and output centres by least squares. The same rows and options\n"
    "give the same file. --inputs, --rules and --outputs may then be left out: 2 functions\n"
    "per input (3 from 1000 rows on or with at most 4 inputs), 2 per output, one rule per\n"
    "40 rows (3 to 32).\n"
    "\n"
    "Options (a value follows its option as the next argument or after '='):\n"
    "  --data FILE     start from the rows of this data set file (or CSV file, *.csv)\n"
    "  --targets LIST  for a CSV file: its expected outputs, by name or number (#3),\n"
    "                  separated by commas; a column of words holds classes\n"
    "  --ranges LIST   without --data: each input's range lo:hi, separated by commas\n"
    "                  (0:40,10:95); its centres are spread over it instead of [0, 1]\n"
    "  --inputs LIST   required (unless --data): membership functions of each input, separated by "
    "commas,\n"
    "                  2 to 1000 each; NxM stands for N inputs of M functions (8x7)\n"
    "  --rules N       required (unless --data): number of rules, 1 to 1000000\n"
    "  --outputs LIST  required (unless --data): membership functions of each output, as for "
    "--inputs\n"
    "  --seed S        start of the pseudo-random sequence, 0 to 4294967295 (default 1)\n"
    "  --min X         lowest weight (default -1)\n"
    "  --max Y         the weights stay below this, which must not be below --min\n"
    "                  (default 1)\n"
    "  --prune F       share of the condition->rule and of the rule->action arcs to remove,\n"
    "                  chosen from the seed, 0 to 1 (default 0)\n"
    "  --help          this text\n"
    "  --version       the program's version\n"
    "\n"
    "Examples: MakeZorf --inputs 3,3 --rules 4 --outputs 3 --seed 7 comfort.net\n"
    "          MakeZorf --data train.dat --rules 16 start.net\n";

using Arguments::Quoted;
using Arguments::Refuse;
using MakeZorfLimits::kMaxFunctions;
using MakeZorfLimits::kMaxRules;
using MakeZorfLimits::kMaxSides;

// "0:40,10:95": a range lo:hi per input, lo below hi.
std::vector<TZorfRange> ParseRanges(std::string_view text) {
    std::vector<TZorfRange> ranges;
    for (const std::string& item : FileTools::ColumnList(text)) {
        const std::size_t colon = item.find(':');
        const std::optional<double> low =
            colon == std::string::npos ? std::nullopt : WholeNumber::Decimal(item.substr(0, colon));
        const std::optional<double> high = colon == std::string::npos
                                               ? std::nullopt
                                               : WholeNumber::Decimal(item.substr(colon + 1));
        if (!low || !high || !(*low < *high)) {
            Refuse("--ranges: " + Quoted(item) + " is not a range lo:hi with lo below hi");
        }
        ranges.push_back({*low, *high});
    }
    return ranges;
}

// The centres of each input spread over its range instead of [0, 1], and the ranges recorded.
void SpreadOverRanges(TZorf& network, const std::vector<TZorfRange>& ranges,
                      const std::vector<std::int32_t>& mfPerInput) {
    std::vector<double> centres = network.GetWeightLayer(TZorf::kConditionCentres);
    TZorfDataInfo info;
    std::size_t node = 0;
    for (std::size_t input = 0; input < ranges.size(); ++input) {
        for (std::int32_t f = 0; f < mfPerInput[input]; ++f, ++node) {
            centres[node] = InUnits(ranges[input], centres[node]);
        }
        info.inputs.push_back({"", ranges[input], {}});
    }
    network.SetWeightLayer(TZorf::kConditionCentres, centres);
    network.SetDataInfo(std::move(info));
}

std::int64_t ParseWhole(std::string_view what, std::string_view text, std::int64_t low,
                        std::int64_t high) {
    const std::optional<std::int64_t> value = WholeNumber::Integer(text);
    if (!value || *value < low || *value > high) {
        Refuse(std::string(what) + " must be a whole number from " + std::to_string(low) + " to " +
               std::to_string(high) + ", not " + Quoted(text));
    }
    return *value;
}

double ParseFinite(std::string_view option, std::string_view text) {
    const std::optional<double> value = WholeNumber::Decimal(text);
    if (!value || !std::isfinite(*value)) {
        Refuse(std::string(option) + " must be a number, not " + Quoted(text));
    }
    return *value;
}

// "3,3,5": one count per input or output; "8x7" stands for eight counts of 7.
std::vector<std::int32_t> ParseFunctionCounts(std::string_view option, std::string_view text) {
    std::vector<std::int32_t> counts;
    const std::string what = std::string(option) + ": each membership-function count";
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view item = text.substr(start, comma - start);
        const std::size_t times = item.find('x');
        std::int64_t repeat = 1;
        std::string_view count = item;
        if (times != std::string_view::npos) {
            repeat = ParseWhole(std::string(option) + ": the N of NxM", item.substr(0, times), 1,
                                kMaxSides);
            count = item.substr(times + 1);
        }
        const auto functions = static_cast<std::int32_t>(ParseWhole(what, count, 2, kMaxFunctions));
        if (static_cast<std::int64_t>(counts.size()) + repeat > kMaxSides) {
            Refuse(std::string(option) + " may name at most " + std::to_string(kMaxSides) +
                   " inputs or outputs");
        }
        counts.insert(counts.end(), static_cast<std::size_t>(repeat), functions);
        start = comma + 1;
    }
    return counts;
}

struct TCommandLine {
    bool help = false;
    std::string fileName;
    TZorfRecipe recipe;
    // The data set file to start from, and which counts the options gave.
    std::optional<std::string> dataFile;
    // A CSV data file's target columns (--targets).
    FileTools::TCsvColumnChoice columns;
    // Each input's range (--ranges), over which its centres are spread instead of [0, 1].
    std::vector<TZorfRange> ranges;
    bool inputsGiven = false;
    bool rulesGiven = false;
    bool outputsGiven = false;
};

class TArgumentReader {
  public:
    TCommandLine Read(int argc, const char* const* argv) {
        for (int i = 1; i < argc; ++i) {
            if (std::string_view(argv[i]) == "--help") {
                line.help = true;
                return line;
            }
        }
        std::vector<std::string_view> files;
        for (int i = 1; i < argc; ++i) {
            const std::string_view argument = argv[i];
            if (!argument.starts_with("-") || argument == "-") {
                files.push_back(argument);
                continue;
            }
            const Arguments::TOption option = Arguments::ReadOption(argc, argv, i);
            if (!option.value) {
                RequireKnown(option.name);
                Refuse(std::string(option.name) + " needs a value");
            }
            Apply(option.name, *option.value);
        }
        if (files.size() != 1) {
            Refuse("name exactly one network file to write (see MakeZorf --help)");
        }
        line.fileName = files.front();
        Complete();
        return line;
    }

  private:
    TCommandLine line;
    std::map<std::string, std::string, std::less<>> given;

    static constexpr std::string_view kOptions[] = {"--inputs",  "--rules", "--outputs", "--seed",
                                                    "--min",     "--max",   "--prune",   "--data",
                                                    "--targets", "--ranges"};

    static void RequireKnown(std::string_view option) {
        for (const std::string_view known : kOptions) {
            if (option == known) {
                return;
            }
        }
        Refuse("unknown option " + std::string(option) + " (see MakeZorf --help)");
    }

    void Apply(std::string_view option, std::string_view value) {
        RequireKnown(option);
        if (!given.emplace(option, value).second) {
            Refuse(std::string(option) + " given twice");
        }
        TZorfRecipe& recipe = line.recipe;
        if (option == "--inputs") {
            recipe.mfPerInput = ParseFunctionCounts(option, value);
        } else if (option == "--outputs") {
            recipe.mfPerOutput = ParseFunctionCounts(option, value);
        } else if (option == "--rules") {
            recipe.numRules = static_cast<std::int32_t>(ParseWhole(option, value, 1, kMaxRules));
        } else if (option == "--data") {
            line.dataFile = std::string(value);
        } else if (option == "--targets") {
            line.columns.targets = FileTools::ColumnList(value);
        } else if (option == "--ranges") {
            line.ranges = ParseRanges(value);
        } else if (option == "--seed") {
            recipe.seed = static_cast<std::uint32_t>(ParseWhole(option, value, 0, 0xFFFFFFFF));
        } else if (option == "--min") {
            recipe.minimum = ParseFinite(option, value);
        } else if (option == "--max") {
            recipe.maximum = ParseFinite(option, value);
        } else {
            recipe.pruneShare = ParseFinite(option, value);
            if (recipe.pruneShare < 0.0 || recipe.pruneShare > 1.0) {
                Refuse("--prune must be a share from 0 to 1, not " + Quoted(value));
            }
        }
    }

    std::string GivenOr(std::string_view option, std::string_view fallback) const {
        const auto value = given.find(option);
        return std::string(value != given.end() ? value->second : fallback);
    }

    // What the options say only together.
    void Complete() {
        line.inputsGiven = given.contains("--inputs");
        line.rulesGiven = given.contains("--rules");
        line.outputsGiven = given.contains("--outputs");
        for (const char* required : {"--inputs", "--rules", "--outputs"}) {
            if (!given.contains(required) && !line.dataFile) {
                Refuse(std::string(required) + " is required (see MakeZorf --help)");
            }
        }
        if (!line.ranges.empty() &&
            (line.dataFile || line.ranges.size() != line.recipe.mfPerInput.size())) {
            Refuse(line.dataFile
                       ? std::string("--ranges is for a network made without --data: "
                                     "--data places the centres over the rows")
                       : "--ranges gives " + std::to_string(line.ranges.size()) + " ranges for " +
                             std::to_string(line.recipe.mfPerInput.size()) + " inputs");
        }
        if (line.dataFile && FileTools::IsCsvFileName(*line.dataFile) &&
            line.columns.targets.empty()) {
            Refuse("--targets must name the expected outputs of the CSV file " + *line.dataFile);
        }
        const TZorfRecipe& recipe = line.recipe;
        if (recipe.minimum > recipe.maximum) {
            Refuse("--min " + GivenOr("--min", "-1") + " is above --max " + GivenOr("--max", "1"));
        }
    }
};

// The selected inputs and expected outputs of every row of a data set, read once.
struct TDataRows {
    std::vector<double> inputs;
    std::vector<double> outputs;
    TZorfRows rows;
    // What a CSV file tells of its columns.
    TZorfDataInfo info;
};

// A CSV file's rows, with targets in their own units taken into [0, 1] over their ranges.
FileTools::LoadedDataSet ReadCsvRows(const std::string& fileName,
                                     const FileTools::TCsvColumnChoice& columns,
                                     TZorfDataInfo& info) {
    try {
        FileTools::TCsvDataSet loaded = FileTools::LoadCsvDataSet(fileName, columns);
        info = FileTools::DescribeCsvDataSet(loaded);
        FileTools::ScaleTargets(*loaded.data, info);
        return {FileTools::SUCCESS, std::move(loaded.data)};
    } catch (FileTools::Error& e) {
        FileTools::AddFileContext(e, fileName);
        Refuse(FileTools::Located(e));
    }
}

TDataRows ReadDataRows(const std::string& fileName, const FileTools::TCsvColumnChoice& columns) {
    FileTools::LoadedDataSet loaded;
    TDataRows read;
    if (FileTools::IsCsvFileName(fileName)) {
        loaded = ReadCsvRows(fileName, columns, read.info);
    }
    try {
        FileTools::ScratchBuffer scratch;
        if (!loaded.data) {
            loaded = FileTools::LoadDataSet(scratch, fileName);
        }
    } catch (const FileTools::Error& e) {
        Refuse(fileName + ": " + e.message);
    } catch (const TException& e) {
        Refuse(fileName + ": " + e.message);
    }
    if (!loaded.data) {
        Refuse(fileName + ": " + FileTools::StatusText(loaded.status));
    }
    Data& data = *loaded.data;
    if (!FileTools::IsCsvFileName(fileName)) {
        // Expected outputs outside [0, 1] are in the user's units, as a CSV file's may be.
        read.info.outputs = FileTools::OutputRangesOutsideUnit(data);
        FileTools::ScaleTargets(data, read.info);
    }
    read.rows.count = data.MbrNdxDataRows;
    read.rows.numInputs = data.GetNumSelectedInputs();
    read.rows.numOutputs = data.GetNumSelectedOutputs();
    if (read.rows.numOutputs == 0) {
        Refuse(fileName + ": the data set has no expected outputs to start from");
    }
    if (read.rows.count == 0) {
        Refuse(fileName + ": the data set has no rows");
    }
    read.inputs.resize(static_cast<std::size_t>(read.rows.count * read.rows.numInputs));
    read.outputs.resize(static_cast<std::size_t>(read.rows.count * read.rows.numOutputs));
    data.Rewind();
    for (std::int64_t r = 0; r < read.rows.count; ++r) {
        data.GetNext({read.inputs.data() + r * read.rows.numInputs,
                      static_cast<std::size_t>(read.rows.numInputs)},
                     {read.outputs.data() + r * read.rows.numOutputs,
                      static_cast<std::size_t>(read.rows.numOutputs)});
    }
    read.rows.inputs = read.inputs;
    read.rows.outputs = read.outputs;
    return read;
}

// The network of the options made from the rows of the data set file; the counts the options
// leave out are the rows' defaults.
std::unique_ptr<TZorf> MakeFromData(const TCommandLine& line, std::ostream& err) {
    const std::string& fileName = *line.dataFile;
    const TDataRows read = ReadDataRows(fileName, line.columns);
    TZorfRecipe recipe = DefaultRecipe(read.rows, line.recipe.seed);
    if (line.inputsGiven) {
        recipe.mfPerInput = line.recipe.mfPerInput;
    }
    if (line.rulesGiven) {
        recipe.numRules = line.recipe.numRules;
    }
    if (line.outputsGiven) {
        recipe.mfPerOutput = line.recipe.mfPerOutput;
    }
    recipe.minimum = line.recipe.minimum;
    recipe.maximum = line.recipe.maximum;
    recipe.pruneShare = line.recipe.pruneShare;
    TStartReport report;
    std::unique_ptr<TZorf> network;
    try {
        network = MakeZorfFromData(recipe, read.rows, &report);
        network->SetDataInfo(read.info);
    } catch (const TException& e) {
        Refuse(fileName + ": " + e.message);
    }
    for (const std::int32_t input : report.constantInputs) {
        err << "MakeZorf: " << fileName << ": input " << input + 1
            << " has one value in every row; its centres are spread over that value - 0.5 to "
               "that value + 0.5\n";
    }
    return network;
}

}  // namespace

int RunMakeZorf(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    if (AsksForVersion(argc, argv, TVersionArgument::AnyArgument)) {
        out << ProgramVersion("MakeZorf");
        return 0;
    }
    return TErrorTrap("MakeZorf", out, err).Run([&] {
        const TCommandLine line = TArgumentReader().Read(argc, argv);
        if (line.help) {
            out << kUsage;
            return 0;
        }
        const std::unique_ptr<TZorf> network =
            line.dataFile ? MakeFromData(line, err) : MakeZorf(line.recipe);
        if (!line.ranges.empty()) {
            SpreadOverRanges(*network, line.ranges, line.recipe.mfPerInput);
        }
        FileTools::SaveNetwork(line.fileName, *network);
        return 0;
    });
}
