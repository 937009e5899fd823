#include "FileHandler/NetworkFile/DataInfoComment.h"

#include <array>
#include <string>
#include <vector>

#include "KQmessage/NumberText.h"
#include "KQmessage/WholeNumber.h"

namespace FileTools {

namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

bool NeedsEscape(char c) {
    return c == '%' || c == '"' || c == '*' || c == '/' || static_cast<unsigned char>(c) < 0x20;
}

void WriteName(OutputStream& out, std::string_view name) {
    out.Write(" \"");
    for (const char c : name) {
        if (NeedsEscape(c)) {
            const auto byte = static_cast<unsigned char>(c);
            out.Put('%');
            out.Put(kHexDigits[byte >> 4U]);
            out.Put(kHexDigits[byte & 0xFU]);
        } else {
            out.Put(c);
        }
    }
    out.Put('"');
}

void WriteColumn(OutputStream& out, std::string_view kind, const TZorfColumnInfo& column) {
    out.Write(kind);
    WriteName(out, column.name);
    if (column.range) {
        out.Write(" range ");
        out.WriteShortest(column.range->low);
        out.Put(' ');
        out.WriteShortest(column.range->high);
    }
    if (!column.labels.empty()) {
        out.Write(" labels");
        for (const std::string& label : column.labels) {
            WriteName(out, label);
        }
    }
    out.Put('\n');
}

// The words of the description, a quoted name as one word with its quotes.
class TDescriptionWords {
  public:
    TDescriptionWords(std::string text, std::int64_t start)
        : body(std::move(text)), position(start) {}

    std::optional<std::string> Next() {
        while (at < body.size() &&
               (body[at] == ' ' || body[at] == '\n' || body[at] == '\r' || body[at] == '\t')) {
            ++at;
        }
        if (at == body.size()) {
            return std::nullopt;
        }
        const std::size_t begin = at;
        if (body[at] == '"') {
            const std::size_t close = body.find('"', at + 1);
            if (close == std::string::npos) {
                Refuse("a name is not closed");
            }
            at = close + 1;
        } else {
            while (at < body.size() && body[at] != ' ' && body[at] != '\n' && body[at] != '\r' &&
                   body[at] != '\t') {
                ++at;
            }
        }
        return body.substr(begin, at - begin);
    }

    // The next word, which must be there.
    std::string Word(std::string_view what) {
        std::optional<std::string> word = Next();
        if (!word) {
            Refuse(std::string(what) + " is missing");
        }
        return *word;
    }

    bool NextIs(std::string_view word) {
        const std::size_t before = at;
        const std::optional<std::string> next = Next();
        if (next && *next == word) {
            return true;
        }
        at = before;
        return false;
    }

    bool NextIsName() {
        const std::size_t before = at;
        const std::optional<std::string> next = Next();
        at = before;
        return next && next->starts_with('"');
    }

    std::string Name(std::string_view what) {
        const std::string word = Word(what);
        if (!word.starts_with('"')) {
            Refuse(std::string(what) + " must be a name in double quotes, not " + word);
        }
        std::string name;
        for (std::size_t i = 1; i + 1 < word.size(); ++i) {
            if (word[i] != '%') {
                name.push_back(word[i]);
                continue;
            }
            const std::size_t high =
                i + 2 < word.size() ? kHexDigits.find(word[i + 1]) : kHexDigits.npos;
            const std::size_t low =
                i + 2 < word.size() ? kHexDigits.find(word[i + 2]) : kHexDigits.npos;
            if (high == kHexDigits.npos || low == kHexDigits.npos) {
                Refuse("a '%' in a name must be followed by two hex digits");
            }
            name.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        }
        return name;
    }

    double Number(std::string_view what) {
        const std::string word = Word(what);
        const std::optional<double> value = WholeNumber::Decimal(word);
        if (!value) {
            Refuse(std::string(what) + " must be a number, not " + word);
        }
        return *value;
    }

    [[noreturn]] void Refuse(const std::string& problem) const {
        throw Error("The data description of the network is broken: " + problem, position);
    }

  private:
    std::string body;
    std::size_t at = 0;
    std::int64_t position;
};

TZorfColumnInfo ReadColumn(TDescriptionWords& words) {
    TZorfColumnInfo column;
    column.name = words.Name("a column's name");
    if (words.NextIs("range")) {
        const double low = words.Number("the low end of a range");
        const double high = words.Number("the high end of a range");
        if (!(low <= high)) {
            words.Refuse("a range runs from its low end to its high end");
        }
        column.range = TZorfRange{low, high};
    }
    if (words.NextIs("labels")) {
        while (words.NextIsName()) {
            column.labels.push_back(words.Name("a label"));
        }
    }
    return column;
}

}  // namespace

std::optional<TZorfDataInfo> ReadDataInfoComment(InputStream& in) {
    if (in.Buffered().size() < kDataInfoMarker.size() + 1) {
        in.ReadAhead(static_cast<std::int64_t>(kDataInfoMarker.size() + 1));
    }
    const std::string_view start = in.Buffered();
    if (!start.starts_with(kDataInfoMarker) || start.size() == kDataInfoMarker.size() ||
        (start[kDataInfoMarker.size()] != '\n' && start[kDataInfoMarker.size()] != '\r')) {
        return std::nullopt;
    }
    const std::int64_t position = in.Position();
    in.Skip(kDataInfoMarker.size());
    // No name holds a '*' or '/', so the first "*/" ends the description.
    std::string body;
    for (int previous = ' ';;) {
        const int c = in.Get();
        if (c == InputStream::kEnd) {
            throw Error("The data description of the network is not closed", position);
        }
        if (previous == '*' && c == '/') {
            body.pop_back();
            break;
        }
        body.push_back(static_cast<char>(c));
        previous = c;
    }
    TDescriptionWords words(std::move(body), position);
    TZorfDataInfo info;
    while (std::optional<std::string> kind = words.Next()) {
        if (*kind == "input") {
            info.inputs.push_back(ReadColumn(words));
        } else if (*kind == "output") {
            info.outputs.push_back(ReadColumn(words));
        } else if (*kind == "classes") {
            TZorfClassColumn column;
            column.name = words.Name("a class column's name");
            const std::optional<std::int32_t> first =
                WholeNumber::Count(words.Word("the class column's first output"));
            if (!first) {
                words.Refuse("a class column's first output must be a number from 0");
            }
            column.firstOutput = *first;
            while (words.NextIsName()) {
                column.classes.push_back(words.Name("a class"));
            }
            info.classColumns.push_back(std::move(column));
        } else {
            words.Refuse("unknown entry " + *kind);
        }
    }
    return info;
}

void WriteDataInfoComment(OutputStream& out, const TZorfDataInfo& info) {
    if (info.Empty()) {
        return;
    }
    out.Write(kDataInfoMarker);
    out.Put('\n');
    for (const TZorfColumnInfo& input : info.inputs) {
        WriteColumn(out, "input", input);
    }
    for (const TZorfColumnInfo& output : info.outputs) {
        WriteColumn(out, "output", output);
    }
    for (const TZorfClassColumn& column : info.classColumns) {
        out.Write("classes");
        WriteName(out, column.name);
        out.Put(' ');
        out.WriteInteger(column.firstOutput);
        for (const std::string& name : column.classes) {
            WriteName(out, name);
        }
        out.Put('\n');
    }
    out.Write("*/\n");
}

void RequireDataInfoFits(const TZorfDataInfo& info, std::int32_t inputs, std::int32_t outputs) {
    const auto refuse = [](const std::string& problem) {
        throw Error("The data description of the network does not fit it: " + problem);
    };
    if (!info.inputs.empty() && info.inputs.size() != static_cast<std::size_t>(inputs)) {
        refuse("it names " + std::to_string(info.inputs.size()) + " inputs, the network has " +
               std::to_string(inputs));
    }
    if (!info.outputs.empty() && info.outputs.size() != static_cast<std::size_t>(outputs)) {
        refuse("it names " + std::to_string(info.outputs.size()) + " outputs, the network has " +
               std::to_string(outputs));
    }
    for (const TZorfClassColumn& column : info.classColumns) {
        if (column.classes.empty() ||
            column.firstOutput + static_cast<std::int64_t>(column.classes.size()) > outputs) {
            refuse("the classes of " + column.name + " are not outputs of the network");
        }
    }
}

}  // namespace FileTools
