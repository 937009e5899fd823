#include "Arrays.h"

#include <limits>
#include <string_view>

#include "Errors.h"

namespace py = pybind11;

namespace ZorfPython {

namespace {

std::string ShapeText(const py::array& array) {
    std::string text = "(";
    for (py::ssize_t axis = 0; axis < array.ndim(); ++axis) {
        text += (axis > 0 ? ", " : "") + std::to_string(array.shape(axis));
    }
    return text + (array.ndim() == 1 ? ",)" : ")");
}

// The values as an array of numbers, refusing strings, objects and complex numbers, which a
// conversion to float64 would parse or cut rather than refuse.
py::array NumericArray(const py::handle& values, const char* name) {
    py::array array = py::module_::import("numpy").attr("asarray")(values);
    const char kind = array.dtype().kind();
    if (std::string_view("biuf").find(kind) == std::string_view::npos) {
        RefuseType(std::string(name) + " must hold numbers (bool, int, uint or float), not " +
                   py::str(array.dtype()).cast<std::string>());
    }
    return array;
}

Matrix Converted(const py::array& array) {
    Matrix converted = Matrix::ensure(array);
    if (!converted) {
        throw py::error_already_set();
    }
    return converted;
}

}  // namespace

Matrix RowsArgument(const py::handle& values, const char* name, std::optional<std::int64_t> columns,
                    const char* unit) {
    const py::array array = NumericArray(values, name);
    const std::string wanted = columns ? "(rows, " + std::to_string(*columns) + ") for " +
                                             std::to_string(*columns) + " " + unit
                                       : std::string("(rows, ") + unit + ")";
    if (array.ndim() != 2 || (columns && array.shape(1) != *columns)) {
        RefuseValue(std::string(name) + " must be a 2-D array of shape " + wanted +
                    ", not of shape " + ShapeText(array));
    }
    return Converted(array);
}

Matrix VectorArgument(const py::handle& values, const char* name, std::int64_t size) {
    const py::array array = NumericArray(values, name);
    if (array.ndim() != 1 || array.shape(0) != size) {
        RefuseValue(std::string(name) + " must be a 1-D array of " + std::to_string(size) +
                    " values, not of shape " + ShapeText(array));
    }
    return Converted(array);
}

Matrix MatrixArgument(const py::handle& values, const char* name, std::int64_t rows,
                      std::int64_t columns, const char* meaning) {
    const py::array array = NumericArray(values, name);
    if (array.ndim() != 2 || array.shape(0) != rows || array.shape(1) != columns) {
        RefuseValue(std::string(name) + " must be a 2-D array of shape (" + std::to_string(rows) +
                    ", " + std::to_string(columns) + ") for " + meaning + ", not of shape " +
                    ShapeText(array));
    }
    return Converted(array);
}

std::int32_t DataSetRows(const Matrix& rows, const char* name) {
    if (rows.shape(0) > std::numeric_limits<std::int32_t>::max()) {
        RefuseValue(std::string(name) + " has more rows than a data set holds (" +
                    std::to_string(std::numeric_limits<std::int32_t>::max()) + ")");
    }
    return static_cast<std::int32_t>(rows.shape(0));
}

std::string PathArgument(const py::handle& path) {
    const py::object spelled = py::module_::import("os").attr("fspath")(path);
    if (!py::isinstance<py::str>(spelled)) {
        RefuseType("a path must be a str or an os.PathLike of str");
    }
    std::string text = spelled.cast<std::string>();
    if (text.find('\0') != std::string::npos) {
        RefuseValue("a path must not hold a NUL character");
    }
    return text;
}

}  // namespace ZorfPython
