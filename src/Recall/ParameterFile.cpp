#include "Recall/ParameterFile.h"

#include <array>
#include <optional>
#include <string_view>

#include "KQmessage/StrCaseCmp.h"

namespace {

// How many threads propagate the rows; 0 (also a value cut off by the end of the file) takes
// every core.
void ReadThreads(TParameterReader& reader, std::int32_t& threads) {
    std::optional<std::int32_t> count;
    if (reader.Separator()) {
        count = reader.Integer("Threads");
    }
    if (count && *count < 0) {
        reader.Refuse("Threads must not be negative, found " + std::to_string(*count));
    }
    threads = count.value_or(0);
}

constexpr std::string_view kKeywords[] = {
    "WeightFile", "RecallFile",    "OutputFile",   "#Features",    "Features",
    "Threads",    "TargetColumns", "InputColumns", "ClassColumns", "CopyColumns"};

}  // namespace

TRecallParameters ParseParameterText(const std::string& text, const std::string& path) {
    TRecallParameters parameters;
    TFeatureList features;
    TParameterReader reader(text, path);
    while (std::optional<std::string_view> word = reader.Word()) {
        if (KQML::strcasecmp(*word, "WeightFile") == 0) {
            ReadName(reader, parameters.weightFile);
        } else if (KQML::strcasecmp(*word, "RecallFile") == 0) {
            ReadName(reader, parameters.recallFile);
        } else if (KQML::strcasecmp(*word, "OutputFile") == 0) {
            ReadName(reader, parameters.outputFile);
        } else if (KQML::strcasecmp(*word, "CopyColumns") == 0) {
            std::string names;
            ReadName(reader, names);
            parameters.copyColumns = FileTools::ColumnList(names);
        } else if (KQML::strcasecmp(*word, "Threads") == 0) {
            ReadThreads(reader, parameters.threads);
        } else if (!ReadFeatureKeyword(*word, reader, features) &&
                   !ReadColumnKeyword(*word, reader, parameters.columns)) {
            HintAtGluedKeyword(*word, reader, kKeywords);
        }
    }
    parameters.features = FinishFeatures(reader, features);
    parameters.hints = reader.TakeHints();
    return parameters;
}

TRecallParameters ReadParameterFile(const std::string& path) {
    return ParseParameterText(ReadParameterFileText(path), path);
}
