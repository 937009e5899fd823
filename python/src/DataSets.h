// Data set files and the in-memory data sets the library's operations take.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>

#include "Arrays.h"
#include "DataObject/Data.h"

namespace ZorfPython {

// A data set holding row i of `inputs` and, when given, of `outputs` in slot i; both must have
// the same number of rows.
std::unique_ptr<Data> DataSetOf(const Matrix& inputs, const Matrix* outputs);

void BindDataSets(pybind11::module_& module);

}  // namespace ZorfPython
