#include "FileHandler/CsvFile/CsvResult.h"

#include <algorithm>
#include <utility>

namespace FileTools {

namespace {

// As the data set files write outputs.
constexpr int kSignificantDigits = 15;

// A comma before every field but the first of a line.
class TSeparator {
  public:
    explicit TSeparator(OutputStream& stream) : out(stream) {}
    void operator()() {
        if (!first) {
            out.Put(',');
        }
        first = false;
    }

  private:
    OutputStream& out;
    bool first = true;
};

}  // namespace

void WriteCsvField(OutputStream& out, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.Write(field);
        return;
    }
    out.Put('"');
    for (const char c : field) {
        if (c == '"') {
            out.Put('"');
        }
        out.Put(c);
    }
    out.Put('"');
}

TCsvResultLayout::TCsvResultLayout(std::vector<std::string> copied, const TZorfDataInfo& dataInfo,
                                   std::size_t outputs)
    : copiedNames(std::move(copied)), info(dataInfo), outputCount(outputs) {}

void TCsvResultLayout::WriteHeader(OutputStream& out) const {
    TSeparator next(out);
    for (const std::string& name : copiedNames) {
        next();
        WriteCsvField(out, name);
    }
    for (std::size_t output = 0; output < outputCount; ++output) {
        next();
        WriteCsvField(out, output < info.outputs.size() ? info.outputs[output].name
                                                        : "output" + std::to_string(output + 1));
    }
    for (const TZorfClassColumn& column : info.classColumns) {
        next();
        WriteCsvField(out, column.name);
    }
    out.Put('\n');
}

void TCsvResultLayout::WriteRow(OutputStream& out, std::span<const std::string> copied,
                                std::span<const double> outputs) const {
    TSeparator next(out);
    for (const std::string& field : copied) {
        next();
        WriteCsvField(out, field);
    }
    for (const double value : outputs) {
        next();
        out.WriteGeneral(value, kSignificantDigits);
    }
    for (const TZorfClassColumn& column : info.classColumns) {
        next();
        const auto answers =
            outputs.subspan(static_cast<std::size_t>(column.firstOutput), column.classes.size());
        // The first of equal outputs wins, so that the answer does not depend on the order
        // of comparison.
        const auto highest = std::max_element(answers.begin(), answers.end());
        WriteCsvField(out, column.classes[static_cast<std::size_t>(highest - answers.begin())]);
    }
    out.Put('\n');
}

}  // namespace FileTools
