#include "Explain/ExplainZorf.h"

#include <array>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Explain/RowExplanation.h"
#include "FileHandler/DataSetFile/InputRow.h"
#include "FileHandler/NetworkFile/NetworkSoundness.h"
#include "FileHandler/Syntax/FileContext.h"
#include "KQmessage/CommandWords.h"
#include "KQmessage/ErrorTrap.h"
#include "KQmessage/ProgramVersion.h"
#include "KQmessage/TArgumentError.h"
#include "KQmessage/WholeNumber.h"
#include "Zorf/TZorfExplanation.h"
#include "Zorf/TZorfRules.h"

namespace {

constexpr const char* kProgram = "ExplainZorf";

constexpr const char* kUsage =
    "Usage: ExplainZorf EXPLANATION network.file [options]\n"
    "\n"
    "Explains a six-layer fuzzy network in words, read from its own weights and propagation.\n"
    "\n"
    "  ExplainZorf rules network.file\n"
    "      each input's and output's membership functions, labelled by the order of their\n"
    "      centres, then one line per rule: the conditions and actions whose weights matter,\n"
    "      each with its share, similar rules together\n"
    "  ExplainZorf row network.file (--values V,V,... | --data file.dat --row N)\n"
    "      why one row (given, or row N of a data set file, counted from 1) gets its outputs:\n"
    "      the membership degrees, the rules by activation with the degree each condition\n"
    "      held, the actions and each output's centre of gravity, ending with the output as\n"
    "      RecallZorf writes it\n"
    "\n"
    "A value follows its option as the next argument or after '=' (--threshold=0.2).\n"
    "  --threshold T  leave out conditions, actions and rules whose share (or activation) is\n"
    "                 below T, from 0 to 1 (default 0.1); a rule whose activation moves less\n"
    "                 than T over the inputs' ranges always fires\n"
    "  --format F     text (default) or json\n"
    "  --help         this text\n"
    "  --version      the program's version\n";

using Arguments::Quoted;
using Arguments::Refuse;

struct TRequest {
    bool row = false;
    bool json = false;
    double threshold = kDefaultRuleThreshold;
    std::string network;
    Arguments::TCommandWords line;
};

TRequest ReadRequest(int argc, const char* const* argv) {
    if (argc < 2) {
        Refuse("name an explanation: rules or row (see ExplainZorf --help)");
    }
    const std::string_view what = argv[1];
    if (what != "rules" && what != "row") {
        Refuse("unknown explanation " + Quoted(what) +
               ": name rules or row (see ExplainZorf --help)");
    }
    static constexpr std::array<std::string_view, 5> kOptions = {"--threshold", "--format",
                                                                 "--values", "--data", "--row"};
    TRequest request;
    request.row = what == "row";
    request.line =
        Arguments::ReadCommandWords(argc, argv, 2, std::span(kOptions).first(request.row ? 5 : 2),
                                    std::string(what) + " explanation", kProgram);
    if (request.line.words.size() != 1) {
        Refuse("name the network file (see ExplainZorf --help)");
    }
    request.network = request.line.words[0];
    if (const std::optional<std::string_view> text = request.line.Option("--threshold")) {
        const std::optional<double> threshold = WholeNumber::Real(*text);
        if (!threshold || !(*threshold >= 0.0 && *threshold <= 1.0)) {
            Refuse("--threshold must be a number from 0 to 1, not " + Quoted(*text));
        }
        request.threshold = *threshold;
    }
    if (const std::optional<std::string_view> format = request.line.Option("--format")) {
        if (*format != "text" && *format != "json") {
            Refuse("--format must be text or json, not " + Quoted(*format));
        }
        request.json = *format == "json";
    }
    return request;
}

std::string Explanation(const TRequest& request) {
    const std::unique_ptr<TZorf> network = FileTools::RefusingFileFailures(request.network, [&] {
        FileTools::ScratchBuffer scratch;
        std::unique_ptr<TZorf> loaded = FileTools::LoadRecallableZorf(scratch, request.network);
        RequireExplainable(*loaded);
        return loaded;
    });
    const TZorfRules rules = ReadRules(*network, request.threshold);
    if (!request.row) {
        return request.json ? RulesJson(rules) : RulesText(rules);
    }
    const std::vector<double> values =
        FileTools::ChooseInputRow({request.line.Option("--values"), request.line.Option("--data"),
                                   request.line.Option("--row")},
                                  network->GetArchitecture().numInputs, request.network);
    TZorfExplanation row;
    ExplainRow(*network, values, row);
    return request.json ? RowJson(*network, rules, row) : RowText(*network, rules, row);
}

}  // namespace

int RunExplainZorf(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    if (AsksForVersion(argc, argv, TVersionArgument::AnyArgument)) {
        out << ProgramVersion(kProgram);
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--help") {
            out << kUsage;
            return 0;
        }
    }
    TErrorTrap trap(kProgram, out, err);
    return trap.Run([&] {
        // Nothing is written before the whole explanation stands.
        const std::string explanation = Explanation(ReadRequest(argc, argv));
        out << explanation << std::flush;
        if (!out) {
            Refuse("the explanation could not be written");
        }
        return 0;
    });
}
