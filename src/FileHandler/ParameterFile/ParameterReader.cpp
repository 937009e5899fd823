#include "FileHandler/ParameterFile/ParameterReader.h"

#include <array>
#include <filesystem>
#include <fstream>

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
    if (list.count == 0 && reader.NumberFollows()) {
        reader.Hint(
            "Features stands where #Features is 0 or not given yet, so its list is skipped; "
            "write #Features = <count> before it");
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
    if (list.count > 0 && reader.NumberFollows()) {
        reader.Hint("Features lists more numbers than #Features = " + std::to_string(list.count) +
                    "; the rest are skipped");
    }
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

// The user meant the keyword, which the reading rules skip as a comment: a keyword followed
// by something other than a letter or digit ("WeightFile=a.net", "WeightFile:"), or one
// behind a byte-order mark.
bool HintAtGluedKeyword(std::string_view word, TParameterReader& reader,
                        std::span<const std::string_view> keywords) {
    const bool marked = word.starts_with(kByteOrderMark);
    const std::string_view rest = marked ? word.substr(kByteOrderMark.size()) : word;
    for (const std::string_view keyword : keywords) {
        if (rest.size() < keyword.size() ||
            KQML::strcasecmp(rest.substr(0, keyword.size()), keyword) != 0) {
            continue;
        }
        if (marked && rest.size() == keyword.size()) {
            reader.Hint("the file starts with a byte-order mark, so its first word " +
                        std::string(keyword) + " is skipped; save it without one");
            return true;
        }
        if (rest.size() > keyword.size() &&
            std::isalnum(static_cast<unsigned char>(rest[keyword.size()])) == 0) {
            reader.Hint(std::string(word) + " is one word and is skipped; write " +
                        std::string(keyword) + " = <value> with blanks around the =");
            return true;
        }
    }
    return false;
}

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

bool ReadColumnKeyword(std::string_view word, TParameterReader& reader,
                       FileTools::TCsvColumnChoice& choice) {
    std::string value;
    if (KQML::strcasecmp(word, "ClassColumns") == 0) {
        ReadName(reader, value);
        if (KQML::strcasecmp(value, "yes") != 0 && KQML::strcasecmp(value, "no") != 0) {
            reader.Refuse("ClassColumns must be yes or no, found \"" + value + "\"");
        }
        choice.classColumns = KQML::strcasecmp(value, "yes") == 0;
        return true;
    }
    const bool targets = KQML::strcasecmp(word, "TargetColumns") == 0;
    if (!targets && KQML::strcasecmp(word, "InputColumns") != 0) {
        return false;
    }
    ReadName(reader, value);
    (targets ? choice.targets : choice.inputs) = FileTools::ColumnList(value);
    return true;
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
    std::string text;
    std::array<char, 1 << 16> block{};
    while (text.size() <= kMaxParameterFileBytes &&
           file.read(block.data(), block.size()).gcount() > 0) {
        text.append(block.data(), static_cast<std::size_t>(file.gcount()));
    }
    if (text.size() > kMaxParameterFileBytes) {
        throw TParameterFileError("Parameter file " + path + ": longer than " +
                                  std::to_string(kMaxParameterFileBytes) + " bytes");
    }
    return text;
}
