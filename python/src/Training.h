// zorf.train: the library's trainer on numpy arrays.
#pragma once

#include <pybind11/pybind11.h>

namespace ZorfPython {

void BindTraining(pybind11::module_& module);

}  // namespace ZorfPython
