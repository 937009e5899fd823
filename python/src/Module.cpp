#include <pybind11/pybind11.h>

#include "DaskTraining.h"
#include "DataSets.h"
#include "Errors.h"
#include "Explain.h"
#include "Network.h"
#include "Training.h"

PYBIND11_MODULE(_zorf, module) {
    module.doc() = "The RecallZorf library: six-layer fuzzy networks and data set files.";
    ZorfPython::BindErrors(module);
    ZorfPython::BindNetwork(module);
    ZorfPython::BindExplain(module);
    ZorfPython::BindDataSets(module);
    ZorfPython::BindTraining(module);
    ZorfPython::BindDaskTraining(module);
}
