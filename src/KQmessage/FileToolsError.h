#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

namespace FileTools {

// Raised by the file handling when a file cannot be opened or its text breaks the format.
// It holds only values, so it stays sound after the stream that raised it is gone. The byte
// position comes from the reader; whoever knows the file (a program's trap, a loader) may add
// its name and line so that a report can say where.
class ZORF_EXPORT Error : public std::exception {
  public:
    std::string message;
    std::optional<std::string> fileName;
    std::optional<std::int64_t> line;
    // The byte position from the start of the input where the reader stopped.
    std::optional<std::int64_t> position;
    // The system's reason where the failure is the system's ("No such file or directory").
    std::optional<std::string> reason;
    // For an error in the rows of a data set: the row, and the value within the row across
    // its groups, both counted from 1 as lines are.
    std::optional<std::int64_t> row;
    std::optional<std::int64_t> column;

    explicit Error(std::string text) : message(std::move(text)) {}
    Error(std::string text, std::int64_t bytePosition)
        : message(std::move(text)), position(bytePosition) {}

    const char* what() const noexcept override { return message.c_str(); }
};

}  // namespace FileTools
