#include "Errors.h"

#include <exception>
#include <initializer_list>
#include <utility>

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
        Raise(fileErrorType, e.message);
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
                            "its format; the message is the library's.",
                            fileBases.ptr());
    const py::tuple argumentBases =
        py::make_tuple(py::handle(errorType), py::handle(PyExc_ValueError));
    badArgumentType = AddType(module, "BadArgumentError",
                              "A bad argument of a network or data set operation. Attributes: "
                              "category (\"Bad Parameter\", ...) and where (the operation).",
                              argumentBases.ptr());
    py::handle(badArgumentType).attr("category") = py::none();
    py::handle(badArgumentType).attr("where") = py::none();
    checkFailureType = AddType(module, "CheckFailure",
                               "A refused internal check: the text names the failed condition "
                               "(a network whose values leave their range, a file the reader "
                               "cannot accept). Attribute value: the value shown, if any.",
                               errorType);
    py::handle(checkFailureType).attr("value") = py::none();
    py::register_exception_translator(Translate);
}

void RefuseType(const std::string& message) {
    throw py::type_error(message);
}

void RefuseValue(const std::string& message) {
    throw py::value_error(message);
}

}  // namespace ZorfPython
