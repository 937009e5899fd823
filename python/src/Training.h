// zorf.train: the library's trainer on numpy arrays.
#pragma once

#include <pybind11/pybind11.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "Network.h"
#include "Train/Trainer.h"

class Data;

namespace ZorfPython {

// The trainer's settings from zorf.train's keyword arguments; TypeError or
// zorf.BadArgumentError naming the argument.
TTrainSettings Settings(const pybind11::kwargs& given);
// Rows for the network as zorf.train takes them, `of` naming the pair ("validation ") in
// refusals.
std::unique_ptr<Data> Rows(const Network& network, const pybind11::handle& inputs,
                           const pybind11::handle& outputs, const std::string& of);
// What zorf.train returns.
pybind11::dict History(const TTrainResult& result);
// Runs the training `run` with the network held and the GIL released, Ctrl-C ending it after
// the epoch under way; returns its history.
using TTrainRun =
    std::function<TTrainResult(const TEpochProgress& progress, const std::atomic<bool>* stop)>;
pybind11::dict TrainHeld(Network& network, const TTrainRun& run);

void BindTraining(pybind11::module_& module);

}  // namespace ZorfPython
