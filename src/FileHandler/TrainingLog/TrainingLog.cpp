#include "FileHandler/TrainingLog/TrainingLog.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "FileHandler/Syntax/OutputStream.h"
#include "KQmessage/FileToolsError.h"
#include "KQmessage/NumberText.h"
#include "KQmessage/WholeNumber.h"

namespace TrainingLog {

namespace {

constexpr int kSignificant = 15;

void AppendGeneral(std::string& out, double value) {
    std::array<char, NumberText::kGeneralTextSize> text{};
    out += NumberText::FormatGeneral(text, value, kSignificant);
}

void AppendRow(std::string& out, const TEpochRecord& row, bool withAccuracy) {
    std::array<char, NumberText::kIntegerTextSize> integer{};
    out += NumberText::FormatInteger(integer, row.epoch);
    out += ' ';
    AppendGeneral(out, row.trainingError);
    out += ' ';
    if (row.validationError) {
        AppendGeneral(out, *row.validationError);
    } else {
        out += '-';
    }
    out += ' ';
    AppendGeneral(out, row.seconds);
    if (withAccuracy) {
        out += ' ';
        if (row.accuracy) {
            AppendGeneral(out, *row.accuracy);
        } else {
            out += '-';
        }
    }
    out += '\n';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && IsBlank(line[pos])) {
            ++pos;
        }
        const std::size_t start = pos;
        while (pos < line.size() && !IsBlank(line[pos])) {
            ++pos;
        }
        if (pos > start) {
            fields.push_back(line.substr(start, pos - start));
        }
    }
    return fields;
}

class TLogRefusal {
  public:
    explicit TLogRefusal(const std::string& path) : path_(path) {}
    [[noreturn]] void Refuse(std::size_t line, std::string_view problem) const {
        throw FileTools::Error("Not a training log: " + path_ + ", line " + std::to_string(line) +
                               ": " + std::string(problem));
    }

  private:
    const std::string& path_;
};

TEpochRecord ParseRow(std::string_view line, std::size_t number, const TLogRefusal& refusal) {
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() != 4 && fields.size() != 5) {
        refusal.Refuse(number,
                       "expected 4 or 5 fields (epoch, training error, validation error, "
                       "seconds, accuracy)");
    }
    TEpochRecord row;
    const std::optional<std::int32_t> epoch = WholeNumber::Count(fields[0]);
    if (!epoch) {
        refusal.Refuse(number, "the epoch is not a whole number");
    }
    row.epoch = *epoch;
    const std::optional<double> training = WholeNumber::Real(fields[1]);
    if (!training) {
        refusal.Refuse(number, "the training error is not a number");
    }
    row.trainingError = *training;
    if (fields[2] != "-") {
        row.validationError = WholeNumber::Real(fields[2]);
        if (!row.validationError) {
            refusal.Refuse(number, "the validation error is neither a number nor -");
        }
    }
    const std::optional<double> seconds = WholeNumber::Real(fields[3]);
    if (!seconds) {
        refusal.Refuse(number, "the seconds are not a number");
    }
    row.seconds = *seconds;
    if (fields.size() == 5 && fields[4] != "-") {
        row.accuracy = WholeNumber::Real(fields[4]);
        if (!row.accuracy || *row.accuracy < 0.0 || *row.accuracy > 1.0) {
            refusal.Refuse(number, "the accuracy is neither a share from 0 to 1 nor -");
        }
    }
    return row;
}

}  // namespace

std::string Text(std::span<const TEpochRecord> rows, std::optional<std::int32_t> kept) {
    const bool withAccuracy =
        std::any_of(rows.begin(), rows.end(), [](const TEpochRecord& row) { return row.accuracy; });
    std::string out = std::string(kTitleLine) + '\n' + kColumnsLine +
                      (withAccuracy ? kAccuracyColumn : "") + '\n';
    for (const TEpochRecord& row : rows) {
        AppendRow(out, row, withAccuracy);
    }
    if (kept) {
        std::array<char, NumberText::kIntegerTextSize> integer{};
        out +=
            std::string(kKeptLine) + std::string(NumberText::FormatInteger(integer, *kept)) + '\n';
    }
    return out;
}

void Write(const std::string& path, std::span<const TEpochRecord> rows,
           std::optional<std::int32_t> kept) {
    FileTools::OutputStream out = FileTools::OutputStream::ReplaceFile(path);
    out.Write(Text(rows, kept));
    if (!out.Commit()) {
        throw FileTools::Error("Unable to write training log " + path);
    }
}

namespace {

TLog ParseLog(const std::string& text, const std::string& path) {
    const TLogRefusal refusal(path);
    TLog log;
    std::vector<TEpochRecord>& rows = log.epochs;
    std::size_t number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string_view line(text.data() + start, end - start);
        start = end + 1;
        ++number;
        std::string_view trimmed = line;
        while (!trimmed.empty() && IsBlank(trimmed.back())) {
            trimmed.remove_suffix(1);
        }
        if (number == 1 && trimmed != kTitleLine) {
            refusal.Refuse(number, std::string("expected \"") + kTitleLine + "\"");
        }
        if (trimmed.starts_with(kKeptLine)) {
            log.keptEpoch = WholeNumber::Count(trimmed.substr(std::string_view(kKeptLine).size()));
            if (!log.keptEpoch) {
                refusal.Refuse(number, "the kept epoch is not a whole number");
            }
            continue;
        }
        if (number == 1 || Fields(trimmed).empty() || trimmed.front() == '#') {
            continue;
        }
        rows.push_back(ParseRow(trimmed, number, refusal));
    }
    if (number == 0) {
        refusal.Refuse(1, std::string("expected \"") + kTitleLine + "\"");
    }
    return log;
}

std::string FileText(const std::string& path) {
    std::error_code error;
    std::ifstream file;
    if (!std::filesystem::is_directory(path, error)) {
        file.open(path, std::ios::binary);
    }
    if (!file.is_open()) {
        throw FileTools::Error("Error on File Open: " + path);
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

std::vector<TEpochRecord> Parse(const std::string& text, const std::string& path) {
    return ParseLog(text, path).epochs;
}

std::vector<TEpochRecord> Read(const std::string& path) {
    return ParseLog(FileText(path), path).epochs;
}

TLog ReadLog(const std::string& path) {
    return ParseLog(FileText(path), path);
}

}  // namespace TrainingLog
