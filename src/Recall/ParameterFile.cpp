#include "Recall/ParameterFile.h"

#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>

#include "KQmessage/StrCaseCmp.h"

void ReadName(TParameterReader& reader, std::string& name) {
    std::optional<std::string_view> value;
    if (reader.Separator()) {
        value = reader.Word();
    }
    name = value ? std::string(*value) : std::string();
}

namespace {

void ReadFeatureCount(TParameterReader& reader, TFeatureList& list) {
    std::optional<std::int32_t> count;
    if (reader.Separator()) {
        count = reader.Integer("#Features");
    }
    if (count && *count < 0) {
        reader.Refuse("#Features must not be negative, found " + std::to_string(*count));
    }
    list.count = count.value_or(0);
    list.numbers.clear();
    list.filled = list.count == 0;
}

void ReadFeatureNumbers(TParameterReader& reader, TFeatureList& list) {
    if (!reader.Separator()) {
        return;
    }
    list.numbers.clear();
    for (std::int32_t i = 0; i < list.count; ++i) {
        std::optional<std::int32_t> number = reader.Integer("Features");
        if (!number) {
            return;
        }
        list.numbers.push_back(*number);
    }
    list.filled = true;
}

}  // namespace

std::vector<std::int32_t> FinishFeatures(const TParameterReader& reader, TFeatureList& list) {
    if (!list.filled) {
        reader.Refuse("#Features = " + std::to_string(list.count) +
                      " is not followed by a Features list of " + std::to_string(list.count) +
                      " numbers");
    }
    return std::move(list.numbers);
}

bool ReadFeatureKeyword(std::string_view word, TParameterReader& reader, TFeatureList& list) {
    if (KQML::strcasecmp(word, "#Features") == 0) {
        ReadFeatureCount(reader, list);
        return true;
    }
    if (KQML::strcasecmp(word, "Features") == 0) {
        ReadFeatureNumbers(reader, list);
        return true;
    }
    return false;
}

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
        } else {
            ReadFeatureKeyword(*word, reader, features);
        }
    }
    parameters.features = FinishFeatures(reader, features);
    return parameters;
}

std::string ReadParameterFileText(const std::string& path) {
    std::error_code error;
    std::ifstream file;
    if (!std::filesystem::is_directory(path, error)) {
        file.open(path, std::ios::binary);
    }
    if (!file.is_open()) {
        throw TParameterFileError("Unable to open parameter file " + path);
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TRecallParameters ReadParameterFile(const std::string& path) {
    return ParseParameterText(ReadParameterFileText(path), path);
}
