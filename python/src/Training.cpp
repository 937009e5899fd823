#include "Training.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "Arrays.h"
#include "DataSets.h"
#include "Errors.h"
#include "KQmessage/NumberText.h"
#include "KQmessage/StrCaseCmp.h"
#include "Network.h"
#include "Train/Trainer.h"
#include "Zorf/TNonFiniteInput.h"

namespace py = pybind11;

namespace ZorfPython {

namespace {

// What a setting takes; the trainer reads every value from text, so the type is checked
// here: a str "5" or a float 5.0 is no number of epochs.
enum class TSettingKind { WholeNumber, Number, Name, Layers };

TSettingKind KindOf(std::string_view keyword) {
    const auto among = [&](std::initializer_list<std::string_view> keywords) {
        return std::any_of(keywords.begin(), keywords.end(), [&](std::string_view known) {
            return KQML::strcasecmp(keyword, known) == 0;
        });
    };
    if (among(
            {"Epochs", "BatchSize", "Patience", "Restarts", "Seed", "FineTuneEpochs", "Threads"})) {
        return TSettingKind::WholeNumber;
    }
    if (among({"Algorithm", "ErrorMeasure", "Penalty"})) {
        return TSettingKind::Name;
    }
    return among({"TrainLayers"}) ? TSettingKind::Layers : TSettingKind::Number;
}

std::string TypeName(const py::handle& value) {
    return py::str(py::type::of(value).attr("__name__")).cast<std::string>();
}

bool IsWholeNumber(const py::handle& value) {
    return !py::isinstance<py::bool_>(value) && PyIndex_Check(value.ptr()) != 0;
}

std::string WholeNumberText(const std::string& name, const py::handle& value) {
    int overflow = 0;
    const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
    const long long number = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
    if (overflow != 0) {
        RefuseValue(name + " is far too large: " + py::str(index).cast<std::string>());
    }
    std::array<char, NumberText::kIntegerTextSize> text{};
    return std::string(NumberText::FormatInteger(text, number));
}

// The weight layers, one or a list, separated by blanks.
std::string LayersText(const std::string& name, const py::handle& value) {
    if (IsWholeNumber(value)) {
        return WholeNumberText(name, value);
    }
    if (py::isinstance<py::str>(value) || !py::isinstance<py::sequence>(value)) {
        RefuseType(name + " takes a list of weight layers (ints), not " + TypeName(value));
    }
    std::string joined;
    for (const py::handle item : value) {
        if (!IsWholeNumber(item)) {
            RefuseType(name + " takes a list of weight layers (ints), not one holding " +
                       TypeName(item));
        }
        joined += (joined.empty() ? "" : " ") + WholeNumberText(name, item);
    }
    return joined;
}

// A keyword argument's value as the text a parameter file would hold: numbers in full
// precision, names as they are.
std::string SettingText(const std::string& name, TSettingKind kind, const py::handle& value) {
    if (kind == TSettingKind::Layers) {
        return LayersText(name, value);
    }
    if (kind == TSettingKind::Name) {
        if (!py::isinstance<py::str>(value)) {
            RefuseType(name + " takes a name (str), not " + TypeName(value));
        }
        return value.cast<std::string>();
    }
    if (IsWholeNumber(value)) {
        return WholeNumberText(name, value);
    }
    if (kind == TSettingKind::WholeNumber) {
        RefuseType(name + " takes a whole number (int), not " + TypeName(value));
    }
    if (py::isinstance<py::bool_>(value) || py::isinstance<py::str>(value) ||
        !py::hasattr(value, "__float__")) {
        RefuseType(name + " takes a number (int or float), not " + TypeName(value));
    }
    std::array<char, NumberText::kGeneralTextSize> text{};
    return std::string(NumberText::FormatGeneral(text, value.cast<double>(),
                                                 std::numeric_limits<double>::max_digits10));
}

// The trainer's refusal names the parameter file's keyword; a caller wrote the argument.
[[noreturn]] void RefuseUnder(const std::string& name, std::string_view keyword,
                              const TTrainSettingError& refusal) {
    std::string message = refusal.what();
    for (const TTrainSettingInfo& info : TrainSettingKeywords()) {
        const std::string_view known = info.keyword;
        if (KQML::strcasecmp(keyword, known) == 0 && message.starts_with(known)) {
            message.replace(0, known.size(), name);
        }
    }
    throw TTrainSettingError(message);
}

}  // namespace

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
        try {
            SetTrainSetting(settings, keyword, SettingText(name, KindOf(keyword), value));
        } catch (const TTrainSettingError& refusal) {
            RefuseUnder(name, keyword, refusal);
        }
    }
    return settings;
}

namespace {

// The trainer refuses these as well, but names neither the array nor the column.
void RequireTrainingValues(const Matrix& inputs, const Matrix& outputs, const std::string& of) {
    const auto size = static_cast<std::size_t>(inputs.size());
    if (const std::optional<std::size_t> bad = FirstNonFinite(inputs.data(), size)) {
        const auto width = static_cast<std::size_t>(inputs.shape(1));
        RefuseArrayValue(of + "X holds an input that is not a finite number: row " +
                             std::to_string(*bad / width) + ", column " +
                             std::to_string(*bad % width) + ", counted from 0",
                         "train", static_cast<std::int64_t>(*bad / width),
                         static_cast<std::int64_t>(*bad % width));
    }
    const double* values = outputs.data();
    const auto width = static_cast<std::size_t>(outputs.shape(1));
    for (std::size_t i = 0; i < static_cast<std::size_t>(outputs.size()); ++i) {
        if (!(values[i] >= 0.0 && values[i] <= 1.0)) {
            RefuseArrayValue(of + "Y holds an expected output outside [0, 1]: row " +
                                 std::to_string(i / width) + ", column " +
                                 std::to_string(i % width) + ", counted from 0",
                             "train", static_cast<std::int64_t>(i / width),
                             static_cast<std::int64_t>(i % width));
        }
    }
}

}  // namespace

std::unique_ptr<Data> Rows(const Network& network, const py::handle& inputs,
                           const py::handle& outputs, const std::string& of) {
    const Matrix x = RowsArgument(inputs, (of + "X").c_str(), network.NumInputs(), "inputs");
    const Matrix y = RowsArgument(outputs, (of + "Y").c_str(), network.NumOutputs(), "outputs");
    RequireTrainingValues(x, y, of);
    return DataSetOf(x, &y);
}

py::dict History(const TTrainResult& result) {
    const auto epochs = static_cast<py::ssize_t>(result.history.size());
    py::array_t<std::int32_t> epoch(epochs);
    py::array_t<double> training(epochs);
    py::array_t<double> validation(epochs);
    py::array_t<double> seconds(epochs);
    py::array_t<double> accuracy(epochs);
    for (py::ssize_t i = 0; i < epochs; ++i) {
        const TEpochRecord& record = result.history[static_cast<std::size_t>(i)];
        epoch.mutable_data()[i] = record.epoch;
        training.mutable_data()[i] = record.trainingError;
        validation.mutable_data()[i] =
            record.validationError.value_or(std::numeric_limits<double>::quiet_NaN());
        seconds.mutable_data()[i] = record.seconds;
        accuracy.mutable_data()[i] =
            record.accuracy.value_or(std::numeric_limits<double>::quiet_NaN());
    }
    py::dict history;
    history["epoch"] = epoch;
    history["training_error"] = training;
    history["validation_error"] = validation;
    history["seconds"] = seconds;
    history["accuracy"] = accuracy;
    history["best_epoch"] = result.bestEpoch;
    history["interrupted"] = result.interrupted;
    history["kept_run"] = result.keptRun;
    return history;
}

py::dict TrainHeld(Network& network, const TTrainRun& run) {
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
        const auto held = network.Hold();
        const py::gil_scoped_release released;
        result = run(progress, &stop);
    }
    return History(result);
}

namespace {

py::dict TrainNetwork(const py::handle& self, const py::object& inputs, const py::object& outputs,
                      const py::object& validation, const py::kwargs& given) {
    Network& network = NetworkOf(self);
    const std::unique_ptr<Data> training = Rows(network, inputs, outputs, "");
    std::unique_ptr<Data> checked;
    if (!validation.is_none()) {
        if (!py::isinstance<py::sequence>(validation) || py::len(validation) != 2) {
            RefuseType("validation must be a pair (X, Y) of arrays, or None");
        }
        checked = Rows(network, validation[py::int_(0)], validation[py::int_(1)], "validation ");
    }
    const TTrainSettings settings = Settings(given);
    return TrainHeld(network, [&](const TEpochProgress& progress, const std::atomic<bool>* stop) {
        return Train(network.Zorf(), *training, checked.get(), settings, progress, stop);
    });
}

// The settings as the trainer lists them, (keyword, default, meaning): zorf.train's keywords
// are checked against them and document themselves from them.
py::list SettingKeywords() {
    py::list keywords;
    for (const TTrainSettingInfo& info : TrainSettingKeywords()) {
        keywords.append(py::make_tuple(info.keyword, info.defaultValue, info.meaning));
    }
    return keywords;
}

}  // namespace

void BindTraining(py::module_& module) {
    // zorf.train (zorf/_training.py) names every setting; this takes those it was given.
    module.def("_train", &TrainNetwork, py::arg("network"), py::arg("X"), py::arg("Y"),
               py::kw_only(), py::arg("validation") = py::none());
    module.def("_train_settings", &SettingKeywords);
}

}  // namespace ZorfPython
