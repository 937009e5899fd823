// The module's exceptions: every refusal of the library reaches Python as one of them, with the
// library's own message, and nothing a caller passes ends the interpreter.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace ZorfPython {

// Creates zorf.Error and its kinds in the module and translates the library's exceptions
// into them.
void BindErrors(pybind11::module_& module);

// Raised for an argument of the wrong type (TypeError) or of the wrong shape or value
// (ValueError); the text names what was expected.
[[noreturn]] void RefuseType(const std::string& message);
[[noreturn]] void RefuseValue(const std::string& message);

}  // namespace ZorfPython
