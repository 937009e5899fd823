// The reader of the programs' parameter files: words separated by white space, each keyword
// (any letter case) followed by one separator character and its value(s); words that are no
// keyword are skipped, so a parameter file may hold comments anywhere. A program names its own
// keywords; this reader gives the words, names, whole numbers and the hints shared by all.
#pragma once

#include <cctype>
#include <charconv>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "FileHandler/CsvFile/CsvDataSet.h"
#include "KQmessage/Export.h"
#include "KQmessage/TRefusal.h"

// A parameter file that cannot be opened or is refused; what() is the whole report line.
class ZORF_EXPORT TParameterFileError : public TRefusal {
  public:
    using TRefusal::TRefusal;
};

// Names are held in fields of 256 characters; longer words are refused.
inline constexpr std::size_t kMaxParameterWordLength = 255;
// A parameter file is a few settings; a longer one (such as /dev/zero) is refused before it
// can take the memory of the machine.
inline constexpr std::size_t kMaxParameterFileBytes = std::size_t{1} << 24;

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

    // An integer with optional sign; "0x" makes it hexadecimal, a leading "0" octal, in every
    // parameter file of every program. Nothing at the end of the text; a refusal when something
    // else stands there. Where the octal reading differs from the decimal one ("010" is 8), a
    // hint says so.
    std::optional<std::int32_t> Integer(std::string_view keyword) {
        const std::optional<std::int64_t> value = WholeNumber(keyword, 2147483647);
        if (!value) {
            return std::nullopt;
        }
        return static_cast<std::int32_t>(*value);
    }

    // The same, within -limit - 1 to limit.
    std::optional<std::int64_t> WholeNumber(std::string_view keyword, std::uint64_t limit) {
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
        // "08" would be the octal 0 and then the number 8: a word is one number or none.
        const bool wholeWord = pos_ == text_.size() || IsBlank(text_[pos_]);
        const std::string_view word = text_.substr(start, WordEnd(start) - start);
        if (error != std::errc() || magnitude > limit + (negative ? 1 : 0) || !wholeWord) {
            Refuse(std::string(keyword) + " needs an integer, found " + std::string(word));
        }
        const std::int64_t value =
            negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
        HintAtOctal(keyword, word, value);
        return value;
    }

    [[noreturn]] void Refuse(const std::string& problem) const {
        throw TParameterFileError(Report(problem));
    }

    std::string Report(const std::string& problem) const {
        return "Parameter file " + path_ + ": " + problem;
    }

    // A word that the reading rules skip or cut though the user plainly meant otherwise:
    // a line for standard error, kept until the whole file is read.
    void Hint(const std::string& problem) { hints_.push_back(Report(problem)); }
    std::vector<std::string> TakeHints() { return std::move(hints_); }

    // Whether the next word starts like a number, without reading it.
    bool NumberFollows() {
        SkipBlanks();
        std::size_t at = pos_;
        if (at < text_.size() && (text_[at] == '+' || text_[at] == '-')) {
            ++at;
        }
        return at < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at])) != 0;
    }

    // The next word without reading it.
    std::optional<std::string_view> PeekWord() {
        const std::size_t kept = pos_;
        std::optional<std::string_view> word = Word();
        pos_ = kept;
        return word;
    }

    // A value that may hold blanks: from an opening parenthesis to the one that closes it,
    // otherwise the next word. Nothing at the end of the text.
    std::optional<std::string_view> BracketedWord(std::string_view keyword) {
        SkipBlanks();
        if (pos_ == text_.size() || text_[pos_] != '(') {
            return Word();
        }
        const std::size_t start = pos_;
        std::int32_t depth = 0;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            depth += c == '(' ? 1 : (c == ')' ? -1 : 0);
            if (depth == 0) {
                return text_.substr(start, pos_ - start);
            }
        }
        Refuse(std::string(keyword) + " has a '(' that is never closed");
    }

    static bool IsBlank(char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    }

  private:
    void HintAtOctal(std::string_view keyword, std::string_view word, std::int64_t value) {
        const std::string_view digits = word.substr(word[0] == '+' || word[0] == '-' ? 1 : 0);
        if (digits.size() < 2 || digits[0] != '0' || digits[1] == 'x' || digits[1] == 'X') {
            return;
        }
        std::int64_t decimal = 0;
        std::from_chars(word.data() + (word[0] == '+' ? 1 : 0), word.data() + word.size(), decimal);
        if (decimal != value) {
            Hint(std::string(keyword) + " = " + std::string(word) +
                 " starts with 0 and is read as an octal number, " + std::to_string(value) +
                 "; write " + std::to_string(decimal) + " without the 0 for " +
                 std::to_string(decimal));
        }
    }

    std::string_view text_;
    const std::string& path_;
    std::size_t pos_ = 0;
    std::vector<std::string> hints_;

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

// The value of a name keyword (after its separator); a value cut off by the end of the file
// empties the name.
ZORF_EXPORT void ReadName(TParameterReader& reader, std::string& name);

// "#Features" and "Features": the count, then as many column numbers.
struct TFeatureList {
    std::int32_t count = 0;
    std::vector<std::int32_t> numbers;
    bool filled = true;
};
// Reads the value of "#Features" or "Features" when `word` is one of them.
ZORF_EXPORT bool ReadFeatureKeyword(std::string_view word, TParameterReader& reader,
                                    TFeatureList& list);
// The columns of a CSV file: "TargetColumns" and "InputColumns" (each one word, names
// separated by commas) and "ClassColumns" ("yes" or "no"), when `word` is one of them.
inline constexpr std::string_view kColumnKeywords[] = {"TargetColumns", "InputColumns",
                                                       "ClassColumns"};
ZORF_EXPORT bool ReadColumnKeyword(std::string_view word, TParameterReader& reader,
                                   FileTools::TCsvColumnChoice& choice);
// A hint for a word that is no keyword but looks like one of `keywords` written without blanks
// ("WeightFile=a.net") or behind a byte-order mark; whether there was one.
ZORF_EXPORT bool HintAtGluedKeyword(std::string_view word, TParameterReader& reader,
                                    std::span<const std::string_view> keywords);
// The list once the whole file is read; a count without its list is refused.
ZORF_EXPORT std::vector<std::int32_t> FinishFeatures(const TParameterReader& reader,
                                                     TFeatureList& list);

// The whole text of a parameter file; TParameterFileError when it cannot be opened.
ZORF_EXPORT std::string ReadParameterFileText(const std::string& path);
