// The module's exceptions: every refusal of the library reaches Python as one of them, with the
// library's own message, and nothing a caller passes ends the interpreter.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>

namespace ZorfPython {

// Creates zorf.Error and its kinds in the module and translates the library's exceptions
// into them.
void BindErrors(pybind11::module_& module);

// Raised for an argument of the wrong type (TypeError) or of the wrong shape or value
// (ValueError); the text names what was expected.
[[noreturn]] void RefuseType(const std::string& message);
[[noreturn]] void RefuseValue(const std::string& message);

// zorf.BadArgumentError for a value of an array argument, with its row and column (from 0, as
// numpy counts them).
[[noreturn]] void RefuseArrayValue(const std::string& message, const char* where, std::int64_t row,
                                   std::int64_t column);

// To be called in a catch block, for a refusal raised while reading or writing the file
// `path`: it reaches Python naming the file, and the line, row, column and system reason
// where they are known.
[[noreturn]] void RethrowInFile(const std::string& path);

template <class Action>
auto WithFileContext(const std::string& path, Action action) {
    try {
        return action();
    } catch (...) {
        RethrowInFile(path);
    }
}

}  // namespace ZorfPython
