#include "FileHandler/Syntax/FileContext.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "FileHandler/Syntax/FileMessages.h"
#include "FileHandler/Syntax/InputStream.h"

namespace FileTools {

namespace {

// The line of a byte position of a file that can be read again from its start; none for a
// pipe, whose bytes are gone. A reader that stops just after a line end took it as the end of
// the word it read, so the line end before the position does not count: the word's line is
// the one meant.
std::optional<std::int64_t> LineAt(const std::string& path, std::int64_t stop) {
    std::optional<InputStream> in = InputStream::Open(path);
    if (!in || in->Size() == 0) {
        return std::nullopt;
    }
    const std::int64_t position = stop - 1;
    std::int64_t line = 1;
    while (in->Position() < position) {
        std::string_view bytes = in->Buffered();
        if (bytes.empty()) {
            if (in->Get() == InputStream::kEnd) {
                break;
            }
            in->Unget();
            continue;
        }
        bytes = bytes.substr(
            0, static_cast<std::size_t>(std::min<std::int64_t>(
                   static_cast<std::int64_t>(bytes.size()), position - in->Position())));
        line += std::count(bytes.begin(), bytes.end(), '\n');
        in->Skip(bytes.size());
    }
    return line;
}

}  // namespace

std::string OpenFailureReason(const std::string& path) {
    if (InputStream::Open(path)) {
        return {};
    }
    return std::strerror(errno);
}

void AddFileContext(Error& error, const std::string& path) {
    if (error.fileName) {
        return;
    }
    error.fileName = path;
    if (error.message == Messages::kOpenFailed) {
        error.reason = OpenFailureReason(path);
    } else if (error.position) {
        error.line = LineAt(path, *error.position);
    }
}

std::string ContextLine(std::string_view program, const Error& error) {
    return std::string(program) + ": " + Located(error);
}

std::string Located(const Error& error) {
    std::string line = error.fileName.value_or("");
    if (error.line) {
        line += ", line " + std::to_string(*error.line);
    }
    if (error.row) {
        line += ", row " + std::to_string(*error.row);
    }
    if (error.column) {
        line += ", column " + std::to_string(*error.column);
    }
    return line + ": " + (error.reason && !error.reason->empty() ? *error.reason : error.message);
}

}  // namespace FileTools
