#include "Recall/ParameterFile.h"

#include <array>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>

#include "KQmessage/StrCaseCmp.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Reads the text the way formatted stream extraction does: words, single characters and
// integers, each after skipping white space.
class TParameterReader {
  public:
    TParameterReader(std::string_view text, const std::string& path) : text_(text), path_(path) {}

    bool AtEnd() {
        SkipBlanks();
        return pos_ == text_.size();
    }

    // The next word, or nothing at the end of the text.
    std::optional<std::string_view> Word() {
        SkipBlanks();
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !IsBlank(text_[pos_])) {
            ++pos_;
        }
        if (pos_ == start) {
            return std::nullopt;
        }
        std::string_view word = text_.substr(start, pos_ - start);
        if (word.size() > kMaxParameterWordLength) {
            Refuse("a word is longer than " + std::to_string(kMaxParameterWordLength) +
                   " characters: " + std::string(word.substr(0, 40)) + "...");
        }
        return word;
    }

    // The separator: the next non-blank character, whatever it is.
    bool Separator() {
        SkipBlanks();
        if (pos_ == text_.size()) {
            return false;
        }
        ++pos_;
        return true;
    }

    // An integer with optional sign; "0x" makes it hexadecimal, a leading "0" octal.
    // Nothing at the end of the text; a refusal when something else stands there.
    std::optional<std::int32_t> Integer(std::string_view keyword) {
        SkipBlanks();
        if (pos_ == text_.size()) {
            return std::nullopt;
        }
        const std::size_t start = pos_;
        bool negative = false;
        if (text_[pos_] == '+' || text_[pos_] == '-') {
            negative = text_[pos_] == '-';
            ++pos_;
        }
        int base = 10;
        if (pos_ + 1 < text_.size() && text_[pos_] == '0' &&
            (text_[pos_ + 1] == 'x' || text_[pos_ + 1] == 'X') && pos_ + 2 < text_.size() &&
            std::isxdigit(static_cast<unsigned char>(text_[pos_ + 2]))) {
            base = 16;
            pos_ += 2;
        } else if (pos_ < text_.size() && text_[pos_] == '0') {
            base = 8;
        }
        std::uint64_t magnitude = 0;
        const char* first = text_.data() + pos_;
        const char* last = text_.data() + text_.size();
        const auto [end, error] = std::from_chars(first, last, magnitude, base);
        pos_ += static_cast<std::size_t>(end - first);
        const std::uint64_t limit = negative ? 2147483648U : 2147483647U;
        // "08" would be the octal 0 and then the number 8: a word is one number or none.
        const bool wholeWord = pos_ == text_.size() || IsBlank(text_[pos_]);
        if (error != std::errc() || magnitude > limit || !wholeWord) {
            Refuse(std::string(keyword) + " needs an integer, found " +
                   std::string(text_.substr(start, WordEnd(start) - start)));
        }
        return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(magnitude)
                                                  : static_cast<std::int64_t>(magnitude));
    }

    [[noreturn]] void Refuse(const std::string& problem) const {
        throw TParameterFileError(Report(problem));
    }

    std::string Report(const std::string& problem) const {
        return "Parameter file " + path_ + ": " + problem;
    }

    // Whether the next word starts like a number, without reading it.
    bool NumberFollows() {
        SkipBlanks();
        std::size_t at = pos_;
        if (at < text_.size() && (text_[at] == '+' || text_[at] == '-')) {
            ++at;
        }
        return at < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at])) != 0;
    }

  private:
    std::string_view text_;
    const std::string& path_;
    std::size_t pos_ = 0;

    void SkipBlanks() {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) {
            ++pos_;
        }
    }

    std::size_t WordEnd(std::size_t from) const {
        while (from < text_.size() && !IsBlank(text_[from])) {
            ++from;
        }
        return from;
    }
};

// A word value; a value cut off by the end of the file empties the name.
void ReadName(TParameterReader& reader, std::string& name) {
    std::optional<std::string_view> value;
    if (reader.Separator()) {
        value = reader.Word();
    }
    name = value ? std::string(*value) : std::string();
}

struct TFeatureList {
    std::int32_t count = 0;
    std::vector<std::int32_t> numbers;
    bool filled = true;
};

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

void ReadFeatureNumbers(TParameterReader& reader, TFeatureList& list,
                        std::vector<std::string>& hints) {
    if (!reader.Separator()) {
        return;
    }
    if (list.count == 0 && reader.NumberFollows()) {
        hints.push_back(
            reader.Report("Features stands where #Features is 0 or not given yet, so its list "
                          "is skipped; write #Features = <count> before it"));
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
        hints.push_back(reader.Report("Features lists more numbers than #Features = " +
                                      std::to_string(list.count) + "; the rest are skipped"));
    }
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kKeywords[] = {"WeightFile", "RecallFile", "OutputFile", "#Features",
                                          "Features"};

// A word that is no keyword but begins like one followed by something other than a letter
// or digit ("WeightFile=a.net", "WeightFile:"), or a keyword behind a byte-order mark: the
// user meant the keyword, which the reading rules skip as a comment.
std::optional<std::string> KeywordHint(std::string_view word) {
    const bool marked = word.starts_with(kByteOrderMark);
    const std::string_view rest = marked ? word.substr(kByteOrderMark.size()) : word;
    for (const std::string_view keyword : kKeywords) {
        if (rest.size() < keyword.size() ||
            KQML::strcasecmp(rest.substr(0, keyword.size()), keyword) != 0) {
            continue;
        }
        const bool glued = rest.size() > keyword.size() &&
                           std::isalnum(static_cast<unsigned char>(rest[keyword.size()])) == 0;
        if (marked && rest.size() == keyword.size()) {
            return "the file starts with a byte-order mark, so its first word " +
                   std::string(keyword) + " is skipped; save it without one";
        }
        if (glued) {
            return std::string(word) + " is one word and is skipped; write " +
                   std::string(keyword) + " = <value> with blanks around the =";
        }
    }
    return std::nullopt;
}

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
        } else if (KQML::strcasecmp(*word, "#Features") == 0) {
            ReadFeatureCount(reader, features);
        } else if (KQML::strcasecmp(*word, "Features") == 0) {
            ReadFeatureNumbers(reader, features, parameters.hints);
        } else if (std::optional<std::string> hint = KeywordHint(*word)) {
            parameters.hints.push_back(reader.Report(*hint));
        }
    }
    if (!features.filled) {
        reader.Refuse("#Features = " + std::to_string(features.count) +
                      " is not followed by a Features list of " + std::to_string(features.count) +
                      " numbers");
    }
    parameters.features = std::move(features.numbers);
    return parameters;
}

TRecallParameters ReadParameterFile(const std::string& path) {
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
    return ParseParameterText(text, path);
}
