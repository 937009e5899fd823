// Arguments that arrive as numpy arrays (or anything numpy takes for one): each is checked
// against the shape the operation needs and converted to C-ordered float64 once.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>
#include <string>

namespace ZorfPython {

using Matrix = pybind11::array_t<double, pybind11::array::c_style | pybind11::array::forcecast>;

// A 2-D array of rows; `columns`, when given, is the width required, described as `unit`
// ("inputs") in the refusal.
Matrix RowsArgument(const pybind11::handle& values, const char* name,
                    std::optional<std::int64_t> columns, const char* unit);
// A 1-D array of exactly `size` values.
Matrix VectorArgument(const pybind11::handle& values, const char* name, std::int64_t size);
// A 2-D array of exactly (rows, columns), whose axes are described as `meaning`.
Matrix MatrixArgument(const pybind11::handle& values, const char* name, std::int64_t rows,
                      std::int64_t columns, const char* meaning);

// The rows of an array that a data set can hold (at most 2^31 - 1).
std::int32_t DataSetRows(const Matrix& rows, const char* name);

// A path as Python spells one (str or os.PathLike of str).
std::string PathArgument(const pybind11::handle& path);

}  // namespace ZorfPython
