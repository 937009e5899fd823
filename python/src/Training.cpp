#include "Training.h"

#include <pybind11/numpy.h>

#include <array>
#include <atomic>
#include <limits>
#include <string>

#include "Arrays.h"
#include "DataSets.h"
#include "Errors.h"
#include "KQmessage/NumberText.h"
#include "Network.h"
#include "Train/OptimizerTable.h"
#include "Train/Trainer.h"

namespace py = pybind11;

namespace ZorfPython {

namespace {

// A keyword argument's value as the text a parameter file would hold: numbers in full
// precision, names as they are, lists (the weight layers of "train") separated by blanks.
std::string SettingText(const std::string& name, const py::handle& value) {
    if (py::isinstance<py::bool_>(value)) {
        RefuseType(name + " takes a number or a name, not a bool");
    }
    if (py::isinstance<py::str>(value)) {
        return value.cast<std::string>();
    }
    if (PyIndex_Check(value.ptr()) != 0) {
        std::array<char, NumberText::kIntegerTextSize> text{};
        return std::string(NumberText::FormatInteger(text, value.cast<std::int64_t>()));
    }
    if (py::isinstance<py::float_>(value) || py::hasattr(value, "__float__")) {
        std::array<char, NumberText::kGeneralTextSize> text{};
        return std::string(NumberText::FormatGeneral(text, value.cast<double>(),
                                                     std::numeric_limits<double>::max_digits10));
    }
    if (py::isinstance<py::sequence>(value)) {
        std::string joined;
        for (const py::handle item : value) {
            joined += (joined.empty() ? "" : " ") + SettingText(name, item);
        }
        return joined;
    }
    RefuseType(name + " takes a number, a name or a list of numbers, not " +
               py::str(py::type::of(value)).cast<std::string>());
}

// Python's names of the settings are the trainer's keywords in snake case: learning_rate is
// LearningRate, which the trainer matches in any letter case.
TTrainSettings Settings(const py::kwargs& given) {
    TTrainSettings settings;
    for (const auto& [key, value] : given) {
        const std::string name = key.cast<std::string>();
        std::string keyword;
        for (const char c : name) {
            if (c != '_') {
                keyword += c;
            }
        }
        if (!IsTrainSetting(keyword)) {
            RefuseType("train() got an unexpected keyword argument '" + name + "'");
        }
        SetTrainSetting(settings, keyword, SettingText(name, value));
    }
    return settings;
}

std::unique_ptr<Data> Rows(const Network& network, const py::handle& inputs,
                           const py::handle& outputs) {
    const Matrix x = RowsArgument(inputs, "X", network.NumInputs(), "inputs");
    const Matrix y = RowsArgument(outputs, "Y", network.NumOutputs(), "outputs");
    return DataSetOf(x, &y);
}

py::dict History(const TTrainResult& result) {
    const auto epochs = static_cast<py::ssize_t>(result.history.size());
    py::array_t<std::int32_t> epoch(epochs);
    py::array_t<double> training(epochs);
    py::array_t<double> validation(epochs);
    py::array_t<double> seconds(epochs);
    for (py::ssize_t i = 0; i < epochs; ++i) {
        const TEpochRecord& record = result.history[static_cast<std::size_t>(i)];
        epoch.mutable_data()[i] = record.epoch;
        training.mutable_data()[i] = record.trainingError;
        validation.mutable_data()[i] =
            record.validationError.value_or(std::numeric_limits<double>::quiet_NaN());
        seconds.mutable_data()[i] = record.seconds;
    }
    py::dict history;
    history["epoch"] = epoch;
    history["training_error"] = training;
    history["validation_error"] = validation;
    history["seconds"] = seconds;
    history["best_epoch"] = result.bestEpoch;
    history["interrupted"] = result.interrupted;
    return history;
}

py::dict TrainNetwork(Network& network, const py::object& inputs, const py::object& outputs,
                      const py::object& validation, const py::kwargs& given) {
    const std::unique_ptr<Data> training = Rows(network, inputs, outputs);
    std::unique_ptr<Data> checked;
    if (!validation.is_none()) {
        if (!py::isinstance<py::sequence>(validation) || py::len(validation) != 2) {
            RefuseType("validation must be a pair (X, Y) of arrays, or None");
        }
        checked = Rows(network, validation[py::int_(0)], validation[py::int_(1)]);
    }
    const TTrainSettings settings = Settings(given);
    // Ctrl-C sets Python's signal flag only; it is looked at between epochs, and ends the run
    // through the trainer's stop flag so that the network keeps the best epoch.
    std::atomic<bool> stop = false;
    const TEpochProgress progress = [&](const TEpochRecord&) {
        const py::gil_scoped_acquire acquired;
        if (PyErr_CheckSignals() != 0) {
            PyErr_Clear();
            stop = true;
        }
    };
    TTrainResult result;
    {
        const py::gil_scoped_release released;
        const auto held = network.Hold();
        result = Train(network.Zorf(), *training, checked.get(), settings, progress, &stop);
    }
    return History(result);
}

// The optimizers' names come from the trainer's table, so a new one is documented here too.
const std::string& TrainDocumentation() {
    static const std::string text = [] {
        std::string names;
        for (const TOptimizerKind& kind : Optimizers()) {
            names += std::string(names.empty() ? "" : ", ") + "\"" + kind.name + "\"";
        }
        return R"(Train a network in place on the rows X (rows, inputs) with expected outputs Y.

validation, a pair (X, Y), picks the best network by its error; without it the training
error does. The settings are TrainZorf's, in snake case: epochs, algorithm (one of
)" + names + R"(), learning_rate, momentum, batch_size, error_measure
("RMS", "CrossEntropy"), penalty, target_error, patience, seed, prune_below,
fine_tune_epochs, train_layers (the weight layers, e.g. [2, 3, 4]), initial_step,
max_step, min_centre_gap. The network ends as the best network of the run. Ctrl-C ends
the run after the epoch under way, keeping the best network so far.

Returns the history, a dict of arrays with one entry per epoch measured (epoch 0 the
start network): epoch, training_error, validation_error (NaN without validation) and
seconds; and best_epoch and interrupted (Ctrl-C ended the run).)";
    }();
    return text;
}

}  // namespace

void BindTraining(py::module_& module) {
    module.def("train", &TrainNetwork, py::arg("network"), py::arg("X"), py::arg("Y"),
               py::kw_only(), py::arg("validation") = py::none(), TrainDocumentation().c_str());
}

}  // namespace ZorfPython
