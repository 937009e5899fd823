#include "FileHandler/CsvFile/CsvRecords.h"

#include <string_view>

namespace FileTools {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

TCsvRecords::TCsvRecords(InputStream& input) : in(input) {}

bool TCsvRecords::Next(std::vector<std::string>& fields) {
    if (!started) {
        started = true;
        if (in.Buffered().size() < kByteOrderMark.size()) {
            in.ReadAhead(static_cast<std::int64_t>(kByteOrderMark.size()));
        }
        if (in.Buffered().starts_with(kByteOrderMark)) {
            in.Skip(kByteOrderMark.size());
        }
    }
    if (Peek() == InputStream::kEnd) {
        return false;
    }
    recordLine = line;
    std::size_t count = 0;
    for (;;) {
        if (count == fields.size()) {
            fields.emplace_back();
        }
        const int end = Field(fields[count++]);
        if (end != ',') {
            break;
        }
    }
    fields.resize(count);
    return true;
}

int TCsvRecords::Field(std::string& field) {
    field.clear();
    if (Peek() == '"') {
        Get();
        return Quoted(field);
    }
    return Plain(field);
}

// Up to the comma or line end; a CR just before the LF belongs to the line end. The bytes up
// to the delimiter are taken from the reader's block at once: this is the loop every number of
// a large file goes through.
int TCsvRecords::Plain(std::string& field) {
    for (;;) {
        const std::string_view bytes = in.Buffered();
        std::size_t length = 0;
        while (length < bytes.size() && bytes[length] != ',' && bytes[length] != '\n') {
            ++length;
        }
        field.append(bytes.data(), length);
        in.Skip(length);
        column += static_cast<std::int64_t>(length);
        const int c = Get();
        if (c == ',' || c == InputStream::kEnd) {
            return c;
        }
        if (c == '\n') {
            if (!field.empty() && field.back() == '\r') {
                field.pop_back();
            }
            return c;
        }
        field.push_back(static_cast<char>(c));
    }
}

int TCsvRecords::Quoted(std::string& field) {
    const std::int64_t openedLine = line;
    for (;;) {
        const int c = Get();
        if (c == InputStream::kEnd) {
            Refuse("a quoted field opened on line " + std::to_string(openedLine) +
                   " is not closed");
        }
        if (c != '"') {
            field.push_back(static_cast<char>(c));
            continue;
        }
        const int after = Get();
        if (after == '"') {
            field.push_back('"');
            continue;
        }
        if (after == '\r') {
            if (Get() == '\n') {
                return '\n';
            }
            Refuse("a closing quote must be followed by a comma or a line end");
        }
        if (after == ',' || after == '\n' || after == InputStream::kEnd) {
            return after;
        }
        Refuse("a closing quote must be followed by a comma or a line end");
    }
}

int TCsvRecords::Peek() {
    const int c = in.Get();
    if (c != InputStream::kEnd) {
        in.Unget();
    }
    return c;
}

int TCsvRecords::Get() {
    const int c = in.Get();
    if (c == '\n') {
        ++line;
        column = 0;
    } else if (c != InputStream::kEnd) {
        ++column;
    }
    return c;
}

void TCsvRecords::Refuse(const std::string& problem) const {
    Error error(problem, in.Position());
    error.line = line;
    error.column = column;
    throw error;
}

}  // namespace FileTools
