#pragma once

#include <string>

namespace FileTools {

class InputStream;
class OutputStream;

// Raised by the file handling when a file cannot be opened or its text breaks the
// format. A plain value: the streams are references to the reader's or writer's own.
struct Error {
    std::string message;
    const InputStream* input = nullptr;
    const OutputStream* output = nullptr;

    explicit Error(std::string text, const InputStream* in = nullptr,
                   const OutputStream* out = nullptr)
        : message(std::move(text)), input(in), output(out) {}
};

}  // namespace FileTools
