#include "Errors.h"

#include <cstring>
#include <exception>
#include <initializer_list>
#include <optional>
#include <utility>

#include "FileHandler/Syntax/FileContext.h"
#include "FileHandler/Syntax/FileMessages.h"
#include "FileHandler/Syntax/OutputStream.h"
#include "KQmessage/Check.h"
#include "KQmessage/FileToolsError.h"
#include "KQmessage/TException.h"
#include "KQmessage/TRefusal.h"
#include "Zorf/TNonFiniteInput.h"
#include "Zorf/TZorfOutputLayer.h"

namespace py = pybind11;

namespace ZorfPython {

namespace {

// Owned by the module for the life of the interpreter.
PyObject* errorType = nullptr;
PyObject* fileErrorType = nullptr;
PyObject* badArgumentType = nullptr;
PyObject* checkFailureType = nullptr;

PyObject* AddType(py::module_& module, const char* name, const char* doc, PyObject* bases) {
    const std::string qualified = std::string("zorf.") + name;
    PyObject* type = PyErr_NewExceptionWithDoc(qualified.c_str(), doc, bases, nullptr);
    if (type == nullptr) {
        throw py::error_already_set();
    }
    module.add_object(name, py::handle(type));
    return type;
}

py::object Optional(const std::optional<std::string>& text) {
    return text ? py::object(py::str(*text)) : py::object(py::none());
}

template <class Number>
py::object Optional(const std::optional<Number>& number) {
    return number ? py::object(py::int_(*number)) : py::object(py::none());
}

// The system gives its reasons as strerror's texts; Python callers test errno.
py::object ErrorNumber(const std::optional<std::string>& reason) {
    constexpr int kLastErrorNumber = 200;
    for (int number = 1; reason && !reason->empty() && number < kLastErrorNumber; ++number) {
        if (*reason == std::strerror(number)) {
            return py::int_(number);
        }
    }
    return py::none();
}

void Raise(PyObject* type, const std::string& message,
           std::initializer_list<std::pair<const char*, py::object>> attributes = {}) {
    py::object error = py::reinterpret_borrow<py::object>(type)(message);
    for (const auto& [name, value] : attributes) {
        error.attr(name) = value;
    }
    PyErr_SetObject(type, error.ptr());
}

// pybind11 takes translators of this exact signature.
void Translate(std::exception_ptr raised) {  // NOLINT(performance-unnecessary-value-param)
    try {
        if (raised) {
            std::rethrow_exception(raised);
        }
    } catch (const TNonFiniteInput& e) {
        Raise(badArgumentType, e.message,
              {{"where", Optional(e.where)},
               {"row", py::int_(e.row)},
               {"column", py::int_(e.column)}});
    } catch (const TException& e) {
        Raise(badArgumentType, e.message,
              {{"category", Optional(e.category)}, {"where", Optional(e.where)}});
    } catch (const TRefusal& e) {
        Raise(badArgumentType, e.what(), {{"where", py::str("train")}});
    } catch (const FileTools::Error& e) {
        const bool known = e.reason && !e.reason->empty();
        Raise(fileErrorType, e.message,
              {{"filename", e.fileName ? py::object(py::str(*e.fileName)) : py::object(py::none())},
               {"line", Optional(e.line)},
               {"row", Optional(e.row)},
               {"column", Optional(e.column)},
               {"errno", ErrorNumber(e.reason)},
               {"strerror", known ? py::object(py::str(*e.reason)) : py::object(py::none())}});
    } catch (const TOutputRangeFailure& e) {
        Raise(checkFailureType, e.what(), {{"value", py::str(e.shownValue)}});
    } catch (const TCheckFailure& e) {
        Raise(checkFailureType, e.what());
    }
}

}  // namespace

void BindErrors(py::module_& module) {
    errorType = AddType(module, "Error", "Every refusal of the zorf library.", PyExc_Exception);
    const py::tuple fileBases = py::make_tuple(py::handle(errorType), py::handle(PyExc_OSError));
    fileErrorType = AddType(module, "FileError",
                            "A file that cannot be opened, read or written, or whose text breaks "
                            "its format; the message is the library's. Attributes: filename, "
                            "line, row and column (counted from 1, as RecallZorf reports them), "
                            "errno and strerror (the system's reason), None where unknown.",
                            fileBases.ptr());
    // OSError would show the attributes instead of the library's message.
    py::handle(fileErrorType).attr("__str__") = py::cpp_function(
        [](const py::handle& self) {
            const py::tuple args = self.attr("args");
            return args.empty() ? py::str() : py::str(args[0]);
        },
        py::is_method(py::handle(fileErrorType)));
    for (const char* name : {"line", "row", "column"}) {
        py::handle(fileErrorType).attr(name) = py::none();
    }
    const py::tuple argumentBases =
        py::make_tuple(py::handle(errorType), py::handle(PyExc_ValueError));
    badArgumentType = AddType(module, "BadArgumentError",
                              "A bad argument of a network or data set operation. Attributes: "
                              "category (\"Bad Parameter\", ...) and where (the operation); for "
                              "a refused value of an array, row and column (from 0).",
                              argumentBases.ptr());
    py::handle(badArgumentType).attr("category") = py::none();
    py::handle(badArgumentType).attr("where") = py::none();
    py::handle(badArgumentType).attr("row") = py::none();
    py::handle(badArgumentType).attr("column") = py::none();
    checkFailureType = AddType(module, "CheckFailure",
                               "A refused internal check: the text names the failed condition "
                               "(a network whose values leave their range, a file the reader "
                               "cannot accept). Attributes: value (the value shown, if any) and "
                               "filename (the file being read, if any).",
                               errorType);
    py::handle(checkFailureType).attr("value") = py::none();
    py::handle(checkFailureType).attr("filename") = py::none();
    py::register_exception_translator(Translate);
}

void RefuseType(const std::string& message) {
    throw py::type_error(message);
}

void RefuseValue(const std::string& message) {
    throw py::value_error(message);
}

void RefuseArrayValue(const std::string& message, const char* where, std::int64_t row,
                      std::int64_t column) {
    Raise(badArgumentType, message,
          {{"where", py::str(where)}, {"row", py::int_(row)}, {"column", py::int_(column)}});
    throw py::error_already_set();
}

void RethrowInFile(const std::string& path) {
    try {
        throw;
    } catch (FileTools::Error& error) {
        FileTools::AddFileContext(error, path);
        // A write refused as a whole names no reason; the system's is found by trying again.
        if (!error.reason && error.message.starts_with(FileTools::Messages::kNetworkWriteFailed)) {
            error.reason = FileTools::OutputStream::ReplaceFile(path).FailureReason();
        }
        throw;
    } catch (const TCheckFailure&) {
        Translate(std::current_exception());
        py::error_already_set raised;
        raised.value().attr("filename") = py::str(path);
        throw raised;
    }
}

}  // namespace ZorfPython
