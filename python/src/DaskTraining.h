// zorf.dask.train's halves in the extension module: a worker's block sums and the client's
// trainer, and zorf.TRAIN_BLOCK_ROWS.
#pragma once

#include <pybind11/pybind11.h>

namespace ZorfPython {

void BindDaskTraining(pybind11::module_& module);

}  // namespace ZorfPython
