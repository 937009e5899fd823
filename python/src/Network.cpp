#include "Network.h"

#include <pybind11/stl.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "Arrays.h"
#include "DataSets.h"
#include "Errors.h"
#include "FileHandler/NetworkFile/DataInfoComment.h"
#include "FileHandler/NetworkFile/NetworkFileWriter.h"
#include "FileHandler/NetworkFile/NetworkSoundness.h"
#include "FileHandler/Syntax/InputStream.h"
#include "FileHandler/Syntax/OutputStream.h"
#include "Zorf/MakeZorf.h"
#include "Zorf/RecallBatch.h"
#include "Zorf/StartFromData.h"
#include "Zorf/TConditionLayer.h"

namespace py = pybind11;

namespace ZorfPython {

void RecallRows(TZorf& network, const double* inputs, std::int64_t rows, double* outputs,
                int threads) {
    const TZorfArchitecture architecture = network.GetArchitecture();
    RecallBatch(network, inputs, static_cast<std::size_t>(rows),
                static_cast<std::size_t>(architecture.numInputs), outputs, threads);
}

Network::Network(std::unique_ptr<TZorf> network)
    : zorf(std::move(network)),
      numInputs(zorf->GetArchitecture().numInputs),
      numOutputs(zorf->GetArchitecture().numOutputs) {}

namespace {

// Long enough to cost nothing, short enough that Ctrl-C answers at once.
constexpr std::chrono::milliseconds kWaitSlice{50};

template <class Lock>
Lock WaitFor(std::shared_timed_mutex& busy) {
    Lock lock(busy, std::try_to_lock);
    while (!lock.owns_lock()) {
        {
            const py::gil_scoped_release released;
            lock.try_lock_for(kWaitSlice);
        }
        if (!lock.owns_lock() && PyErr_CheckSignals() != 0) {
            throw py::error_already_set();
        }
    }
    return lock;
}

using NetworkHandle = std::shared_ptr<Network>;

// The instance's place for its network, which Network.__new__ alone leaves empty.
py::detail::value_and_holder HolderOf(const py::handle& self) {
    if (!py::isinstance<Network>(self)) {
        RefuseType("expected a zorf.Network, not " +
                   py::str(py::type::of(self)).cast<std::string>());
    }
    auto* instance = reinterpret_cast<py::detail::instance*>(self.ptr());
    return instance->get_value_and_holder(py::detail::get_type_info(typeid(Network)));
}

}  // namespace

std::shared_lock<std::shared_timed_mutex> Network::Share() {
    return WaitFor<std::shared_lock<std::shared_timed_mutex>>(busy);
}

std::unique_lock<std::shared_timed_mutex> Network::Hold() {
    return WaitFor<std::unique_lock<std::shared_timed_mutex>>(busy);
}

Network& NetworkOf(const py::handle& self) {
    const py::detail::value_and_holder holder = HolderOf(self);
    if (!holder.holder_constructed()) {
        RefuseType(
            "this zorf.Network holds no network: networks come from zorf.load, zorf.make "
            "or pickle");
    }
    return *holder.value_ptr<Network>();
}

namespace {

NetworkHandle Load(const py::object& path) {
    const std::string fileName = PathArgument(path);
    return WithFileContext(fileName, [&] {
        const py::gil_scoped_release released;
        FileTools::ScratchBuffer scratch;
        return std::make_shared<Network>(FileTools::LoadRecallableZorf(scratch, fileName));
    });
}

void Save(const py::handle& self, const py::object& path) {
    Network& network = NetworkOf(self);
    const std::string fileName = PathArgument(path);
    const auto shared = network.Share();
    WithFileContext(fileName, [&] {
        const py::gil_scoped_release released;
        FileTools::SaveNetwork(fileName, network.Zorf());
    });
}

std::int32_t Count(std::int64_t value, const char* name, std::int64_t low, std::int64_t high) {
    if (value < low || value > high) {
        RefuseValue(std::string(name) + " must be from " + std::to_string(low) + " to " +
                    std::to_string(high) + ", not " + std::to_string(value));
    }
    return static_cast<std::int32_t>(value);
}

std::vector<std::int32_t> Counts(const std::vector<std::int64_t>& values, const char* name) {
    std::vector<std::int32_t> counts;
    counts.reserve(values.size());
    for (const std::int64_t value : values) {
        counts.push_back(Count(value, name, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max()));
    }
    return counts;
}

// The counts the caller gave, or none for an argument left at None.
std::optional<std::vector<std::int32_t>> OptionalCounts(const py::object& values,
                                                        const char* name) {
    if (values.is_none()) {
        return std::nullopt;
    }
    return Counts(values.cast<std::vector<std::int64_t>>(), name);
}

NetworkHandle Make(const py::object& inputs, const py::object& rules, const py::object& outputs,
                   std::int64_t seed, double low, double high, double prune,
                   const py::object& data) {
    const auto seedValue = static_cast<std::uint32_t>(
        Count(seed, "seed", 0, std::numeric_limits<std::uint32_t>::max()));
    if (data.is_none()) {
        if (inputs.is_none() || rules.is_none() || outputs.is_none()) {
            RefuseValue("inputs, rules and outputs are required without data");
        }
    }
    std::optional<Matrix> x;
    std::optional<Matrix> y;
    TZorfRows rows;
    if (!data.is_none()) {
        const auto pair = data.cast<py::tuple>();
        if (pair.size() != 2) {
            RefuseValue("data is a pair (X, Y) of inputs and expected outputs");
        }
        x = RowsArgument(pair[0], "X", std::nullopt, "inputs");
        y = RowsArgument(pair[1], "Y", std::nullopt, "expected outputs");
        if (x->shape(0) != y->shape(0)) {
            RefuseValue("X has " + std::to_string(x->shape(0)) + " rows and Y " +
                        std::to_string(y->shape(0)));
        }
        rows.count = x->shape(0);
        rows.numInputs = static_cast<std::int32_t>(x->shape(1));
        rows.numOutputs = static_cast<std::int32_t>(y->shape(1));
        rows.inputs = {x->data(), static_cast<std::size_t>(x->size())};
        rows.outputs = {y->data(), static_cast<std::size_t>(y->size())};
    }
    TZorfRecipe recipe = data.is_none() ? TZorfRecipe{} : DefaultRecipe(rows, seedValue);
    if (auto counts = OptionalCounts(inputs, "each membership-function count of inputs")) {
        recipe.mfPerInput = std::move(*counts);
    }
    if (!rules.is_none()) {
        recipe.numRules =
            Count(rules.cast<std::int64_t>(), "rules", std::numeric_limits<std::int32_t>::min(),
                  std::numeric_limits<std::int32_t>::max());
    }
    if (auto counts = OptionalCounts(outputs, "each membership-function count of outputs")) {
        recipe.mfPerOutput = std::move(*counts);
    }
    recipe.seed = seedValue;
    recipe.minimum = low;
    recipe.maximum = high;
    recipe.pruneShare = prune;
    if (data.is_none()) {
        return std::make_shared<Network>(MakeZorf(recipe));
    }
    const py::gil_scoped_release released;
    return std::make_shared<Network>(MakeZorfFromData(recipe, rows));
}

py::array_t<double> Recall(const py::handle& self, const py::object& values, int threads) {
    Network& network = NetworkOf(self);
    if (threads < 0) {
        RefuseValue("threads must be 0 (every core) or more, not " + std::to_string(threads));
    }
    const Matrix inputs = RowsArgument(values, "X", network.NumInputs(), "inputs");
    const py::ssize_t rows = inputs.shape(0);
    py::array_t<double> outputs({rows, static_cast<py::ssize_t>(network.NumOutputs())});
    double* generated = outputs.mutable_data();
    const auto shared = network.Share();
    const py::gil_scoped_release released;
    RecallRows(network.Zorf(), inputs.data(), rows, generated, threads);
    // Outputs whose range the network records are answered in those units, as RecallZorf
    // writes them.
    const std::vector<TZorfColumnInfo>& described = network.Zorf().DataInfo().outputs;
    const auto width = static_cast<std::size_t>(network.NumOutputs());
    for (std::size_t k = 0; k < described.size() && k < width; ++k) {
        if (const std::optional<TZorfRange>& range = described[k].range) {
            for (py::ssize_t r = 0; r < rows; ++r) {
                double& value = generated[static_cast<std::size_t>(r) * width + k];
                value = InUnits(*range, value);
            }
        }
    }
    return outputs;
}

double RmsError(const py::handle& self, const py::object& inputValues,
                const py::object& outputValues) {
    Network& network = NetworkOf(self);
    const Matrix inputs = RowsArgument(inputValues, "X", network.NumInputs(), "inputs");
    const Matrix expected = RowsArgument(outputValues, "Y", network.NumOutputs(), "outputs");
    const std::unique_ptr<Data> rows = DataSetOf(inputs, &expected);
    const auto held = network.Hold();
    const py::gil_scoped_release released;
    return network.Zorf().RecallOutputOnly(rows.get(), TZorf::RmsError);
}

py::dict Architecture(const py::handle& self) {
    Network& network = NetworkOf(self);
    const auto shared = network.Share();
    const TZorfArchitecture architecture = network.Zorf().GetArchitecture();
    py::dict description;
    description["inputs"] = architecture.numInputs;
    description["input_functions"] = architecture.mfPerInput;
    description["rules"] = architecture.numRules;
    description["outputs"] = architecture.numOutputs;
    description["output_functions"] = architecture.mfPerOutput;
    description["conditions"] = architecture.numConditions;
    description["actions"] = architecture.numActions;
    return description;
}

// The data description as plain Python values: dicts of names, (low, high) ranges or None,
// labels and classes.
py::dict ColumnDict(const TZorfColumnInfo& column) {
    py::dict entry;
    entry["name"] = column.name;
    entry["range"] = column.range
                         ? py::object(py::make_tuple(column.range->low, column.range->high))
                         : py::object(py::none());
    entry["labels"] = column.labels;
    return entry;
}

TZorfColumnInfo ColumnOf(const py::handle& entry) {
    const py::dict fields = py::cast<py::dict>(entry);
    TZorfColumnInfo column;
    column.name = py::cast<std::string>(fields["name"]);
    if (fields.contains("range") && !fields["range"].is_none()) {
        const auto [low, high] = py::cast<std::pair<double, double>>(fields["range"]);
        if (!(low <= high) || !std::isfinite(low) || !std::isfinite(high)) {
            throw py::value_error("a range is (low, high) of finite numbers, low <= high");
        }
        column.range = TZorfRange{low, high};
    }
    if (fields.contains("labels")) {
        column.labels = py::cast<std::vector<std::string>>(fields["labels"]);
    }
    return column;
}

py::dict DataInfo(const py::handle& self) {
    Network& network = NetworkOf(self);
    const auto shared = network.Share();
    const TZorfDataInfo& info = network.Zorf().DataInfo();
    py::list inputs;
    py::list outputs;
    py::list classes;
    for (const TZorfColumnInfo& input : info.inputs) {
        inputs.append(ColumnDict(input));
    }
    for (const TZorfColumnInfo& output : info.outputs) {
        outputs.append(ColumnDict(output));
    }
    for (const TZorfClassColumn& column : info.classColumns) {
        py::dict entry;
        entry["name"] = column.name;
        entry["first_output"] = column.firstOutput;
        entry["classes"] = column.classes;
        classes.append(entry);
    }
    py::dict description;
    description["inputs"] = inputs;
    description["outputs"] = outputs;
    description["classes"] = classes;
    return description;
}

void SetDataInfo(const py::handle& self, const py::object& description) {
    TZorfDataInfo info;
    if (!description.is_none()) {
        const py::dict fields = py::cast<py::dict>(description);
        for (const char* key : {"inputs", "outputs"}) {
            if (fields.contains(key)) {
                for (const py::handle entry : fields[key]) {
                    (key[0] == 'i' ? info.inputs : info.outputs).push_back(ColumnOf(entry));
                }
            }
        }
        if (fields.contains("classes")) {
            for (const py::handle entry : fields["classes"]) {
                const py::dict column = py::cast<py::dict>(entry);
                info.classColumns.push_back(
                    {py::cast<std::string>(column["name"]),
                     py::cast<std::int32_t>(column["first_output"]),
                     py::cast<std::vector<std::string>>(column["classes"])});
            }
        }
    }
    Network& network = NetworkOf(self);
    const auto held = network.Hold();
    try {
        FileTools::RequireDataInfoFits(info, network.NumInputs(), network.NumOutputs());
    } catch (const FileTools::Error& e) {
        throw py::value_error(e.message);
    }
    network.Zorf().SetDataInfo(std::move(info));
}

// Which entries of a weight layer's layout are arcs: all centres, and the rule and action
// weights that were not pruned.
std::vector<bool> ArcsOf(TZorf& network, std::int32_t layer) {
    const std::size_t size = network.GetWeightLayer(layer).size();
    if (layer != 2 && layer != 3) {
        return std::vector<bool>(size, true);
    }
    const std::int32_t targets = network.GetLayer(layer + 1)->GetNumNeurons();
    std::vector<bool> arcs(size);
    for (std::size_t i = 0; i < size; ++i) {
        const auto from = static_cast<std::int32_t>(i / static_cast<std::size_t>(targets));
        const auto to = static_cast<std::int32_t>(i % static_cast<std::size_t>(targets));
        arcs[i] = network.WeightExists(layer, from, to);
    }
    return arcs;
}

// A pruned arc's slot may still hold a value, which recall never uses: it shows as 0.
std::vector<double> UsedWeights(TZorf& network, std::int32_t layer) {
    std::vector<double> weights = network.GetWeightLayer(layer);
    const std::vector<bool> arcs = ArcsOf(network, layer);
    for (std::size_t i = 0; i < weights.size(); ++i) {
        weights[i] = arcs[i] ? weights[i] : 0.0;
    }
    return weights;
}

py::array_t<double> ArrayOf(const std::vector<double>& values) {
    return py::array_t<double>(static_cast<py::ssize_t>(values.size()), values.data());
}

// The rule and action weights join two layers of nodes, so Python holds them as a matrix
// (sources, targets), whose C order is the layout's from-major order; the centres are a list.
std::vector<py::ssize_t> LayerShape(TZorf& network, std::int32_t layer) {
    const auto size = static_cast<py::ssize_t>(network.GetWeightLayer(layer).size());
    if (layer != TZorf::kRuleWeights && layer != TZorf::kActionWeights) {
        return {size};
    }
    const py::ssize_t targets = network.GetLayer(layer + 1)->GetNumNeurons();
    return {targets == 0 ? 0 : size / targets, targets};
}

template <class T>
py::array_t<T> Shaped(py::array_t<T> values, const std::vector<py::ssize_t>& shape) {
    return values.reshape(shape);
}

// The values of one weight layer in the shape of weights(layer).
Matrix LayerArgument(TZorf& network, std::int32_t layer, const py::handle& values,
                     const char* name) {
    const std::vector<py::ssize_t> shape = LayerShape(network, layer);
    if (shape.size() == 1) {
        return VectorArgument(values, name, shape[0]);
    }
    return MatrixArgument(values, name, shape[0], shape[1], "(sources, targets)");
}

py::array_t<double> Weights(const py::handle& self, std::int32_t layer) {
    Network& network = NetworkOf(self);
    const auto shared = network.Share();
    return Shaped(ArrayOf(UsedWeights(network.Zorf(), layer)), LayerShape(network.Zorf(), layer));
}

// An entry as the caller indexes it: [source, target] in a matrix.
std::string ValueText(std::size_t i, double value, py::ssize_t targets) {
    const std::string index = targets == 0
                                  ? std::to_string(i)
                                  : std::to_string(i / static_cast<std::size_t>(targets)) + ", " +
                                        std::to_string(i % static_cast<std::size_t>(targets));
    return "weights[" + index + "] (" + py::repr(py::float_(value)).cast<std::string>() + ")";
}

// What training keeps to, and the network loader refuses: finite values, each input's centres
// in ascending order, output centres within [0, 1] (the range of every output).
void RequireTrainable(TZorf& network, std::int32_t layer, const double* given,
                      const std::vector<bool>& arcs) {
    const std::vector<py::ssize_t> shape = LayerShape(network, layer);
    const py::ssize_t targets = shape.size() == 2 ? shape[1] : 0;
    const auto entry = [targets](std::size_t i, double value) {
        return ValueText(i, value, targets);
    };
    for (std::size_t i = 0; i < arcs.size(); ++i) {
        if (arcs[i] && !std::isfinite(given[i])) {
            RefuseValue("weights must be finite numbers: " + entry(i, given[i]));
        }
    }
    if (layer == 1) {
        const TMFGroups& groups = network.GetConditionLayer()->GetMFGroups();
        for (std::int32_t j = 1; j < groups.GetNumMembers(); ++j) {
            const auto i = static_cast<std::size_t>(j);
            if (groups.Position(j) > 0 && given[i] < given[i - 1]) {
                RefuseValue("the centres of each input must ascend: " + entry(i, given[i]) +
                            " is below " + entry(i - 1, given[i - 1]));
            }
        }
    }
    if (layer == 4) {
        for (std::size_t i = 0; i < arcs.size(); ++i) {
            if (!(given[i] >= 0.0 && given[i] <= 1.0)) {
                RefuseValue("output centres must lie within [0, 1]: " + entry(i, given[i]));
            }
        }
    }
}

// Pruned arcs stay absent: their entries are not used.
void WriteWeights(Network& network, std::int32_t layer, const py::handle& values) {
    TZorf& zorf = network.Zorf();
    std::vector<double> weights = zorf.GetWeightLayer(layer);
    const Matrix given = LayerArgument(zorf, layer, values, "weights");
    const std::vector<bool> arcs = ArcsOf(zorf, layer);
    RequireTrainable(zorf, layer, given.data(), arcs);
    for (std::size_t i = 0; i < weights.size(); ++i) {
        weights[i] = arcs[i] ? given.data()[i] : weights[i];
    }
    zorf.SetWeightLayer(layer, weights);
}

void SetWeights(const py::handle& self, std::int32_t layer, const py::object& values) {
    Network& network = NetworkOf(self);
    const auto held = network.Hold();
    WriteWeights(network, layer, values);
}

// A network file holds its weights with 15 decimals. A pickle carries the file's text for
// the structure and every weight of the four weight layers as it is, so that a network
// shipped to another process recalls to the same bits.
constexpr std::int32_t kWeightLayers = 4;

py::tuple State(const py::handle& self) {
    Network& network = NetworkOf(self);
    const auto shared = network.Share();
    FileTools::OutputStream out;
    FileTools::WriteNetwork(out, network.Zorf());
    py::list weights;
    for (std::int32_t layer = 1; layer <= kWeightLayers; ++layer) {
        weights.append(ArrayOf(UsedWeights(network.Zorf(), layer)));
    }
    return py::make_tuple(py::bytes(out.Text()), weights);
}

NetworkHandle FromState(const py::tuple& state) {
    if (state.size() != 2) {
        RefuseValue("a pickled zorf.Network holds its file text and its weights");
    }
    const std::string text = state[0].cast<py::bytes>();
    const py::list weights = state[1].cast<py::list>();
    FileTools::ScratchBuffer scratch;
    FileTools::InputStream in(text);
    auto network = std::make_shared<Network>(FileTools::ReadRecallableZorf(scratch, in));
    if (weights.size() != kWeightLayers) {
        RefuseValue("a pickled zorf.Network holds the weights of 4 weight layers");
    }
    // The pickle keeps every layer flat, as 1.x wrote it.
    const py::object reshape = py::module_::import("numpy").attr("reshape");
    for (std::int32_t layer = 1; layer <= kWeightLayers; ++layer) {
        const py::tuple shape = py::cast(LayerShape(network->Zorf(), layer));
        WriteWeights(*network, layer, reshape(weights[static_cast<std::size_t>(layer - 1)], shape));
    }
    return network;
}

// Unpickling makes the instance with Network.__new__ and hands it its state; a network that
// holds one already keeps it.
void SetState(const py::handle& self, const py::tuple& state) {
    py::detail::value_and_holder holder = HolderOf(self);
    if (holder.holder_constructed()) {
        RefuseType(
            "a zorf.Network takes a state only when it is unpickled: load or make "
            "another network instead");
    }
    NetworkHandle network = FromState(state);
    holder.value_ptr() = network.get();
    holder.type->init_instance(holder.inst, &network);
}

py::array_t<bool> Frozen(const py::handle& self, std::int32_t layer) {
    Network& network = NetworkOf(self);
    const auto shared = network.Share();
    const std::vector<std::uint8_t> flags = network.Zorf().GetFrozenLayer(layer);
    py::array_t<bool> frozen(static_cast<py::ssize_t>(flags.size()));
    bool* out = frozen.mutable_data();
    for (std::size_t i = 0; i < flags.size(); ++i) {
        out[i] = flags[i] != 0;
    }
    return Shaped(frozen, LayerShape(network.Zorf(), layer));
}

void SetFrozen(const py::handle& self, std::int32_t layer, const py::object& values) {
    Network& network = NetworkOf(self);
    const auto held = network.Hold();
    const Matrix given = LayerArgument(network.Zorf(), layer, values, "frozen");
    std::vector<std::uint8_t> flags;
    flags.reserve(static_cast<std::size_t>(given.size()));
    for (py::ssize_t i = 0; i < given.size(); ++i) {
        flags.push_back(given.data()[i] != 0.0 ? 1 : 0);
    }
    network.Zorf().SetFrozenLayer(layer, flags);
}

std::string Describe(const py::handle& self) {
    const py::dict architecture = Architecture(self);
    return "<zorf.Network inputs=" + py::str(architecture["input_functions"]).cast<std::string>() +
           " rules=" + py::str(architecture["rules"]).cast<std::string>() +
           " outputs=" + py::str(architecture["output_functions"]).cast<std::string>() + ">";
}

constexpr const char* kLayerDoc =
    "Weight layers (their names in zorf): 1 CONDITION_CENTRES, the centres of the input "
    "membership functions (one per condition node); 2 RULE_WEIGHTS, the condition-to-rule "
    "weights, and 3 ACTION_WEIGHTS, the rule-to-action weights, each a 2-D array shaped "
    "(sources, targets), pruned arcs included as 0.0; 4 OUTPUT_CENTRES, the centres of the "
    "output membership functions (one per action node).";

}  // namespace

void BindNetwork(py::module_& module) {
    py::class_<Network, NetworkHandle> network(module, "Network", R"(A six-layer fuzzy network.

Created by zorf.load or zorf.make, never directly. Pickles through its network file text,
so it can be shipped to worker processes. Threads may share a network: recall and the
readers run side by side (recall releases the GIL), while zorf.train, rms_error and the
setters have it alone; an operation waits for the network with the GIL released, and
Ctrl-C ends the wait.)");
    network.def("recall", &Recall, py::arg("X"), py::kw_only(), py::arg("threads") = 0,
                R"(The generated outputs of the rows of X, on `threads` threads (0: every core).

X is a 2-D array-like of shape (rows, inputs) of any numeric dtype and memory order; it is
converted to C-ordered float64 once. threads is 0 or more. Returns a float64 array of shape (rows, outputs),
bit for bit what RecallZorf writes for the same rows: outputs whose range the network records
(data_info) in those units, the others in [0, 1]. Raises ValueError for another
shape, TypeError for values that are not numbers, zorf.CheckFailure when an output leaves
[0, 1].)");
    network.def("rms_error", &RmsError, py::arg("X"), py::arg("Y"),
                "The root mean square error of the generated outputs of the rows of X against "
                "the expected outputs Y (rows, outputs).");
    network.def_property_readonly(
        "architecture", &Architecture,
        "A dict: inputs, input_functions (membership functions of each input), rules, outputs, "
        "output_functions, conditions and actions (the node counts of layers 2 and 4).");
    network.def_property(
        "data_info", &DataInfo, &SetDataInfo,
        "What the network records of its data, kept in its file: a dict of inputs and outputs "
        "(each a list of dicts: name, range as (low, high) or None, labels) and classes (a list "
        "of dicts: name, first_output, classes: the class names behind one-hot outputs). "
        "Empty lists for a network that records nothing; set None to record nothing. Setting "
        "refuses (ValueError) lists that do not fit the network's inputs and outputs.");
    network.def(
        "weights", &Weights, py::arg("layer"),
        (std::string("The weights of a weight layer (1 to 4) as a float64 array. ") + kLayerDoc)
            .c_str());
    network.def("set_weights", &SetWeights, py::arg("layer"), py::arg("weights"),
                "Replace the weights of a weight layer (1 to 4) from an array shaped as "
                "weights(layer); the entries of pruned arcs are not used. Refuses "
                "(ValueError) what training never makes: values that are not finite, an "
                "input's centres out of ascending order, output centres outside [0, 1].");
    network.def("frozen", &Frozen, py::arg("layer"),
                "A bool array shaped as weights(layer): True where an existing arc is "
                "frozen (kept as it is by training).");
    network.def("set_frozen", &SetFrozen, py::arg("layer"), py::arg("frozen"),
                "Freeze (true) or unfreeze (false) each existing arc of a weight layer from an "
                "array shaped as weights(layer); pruned arcs stay absent.");
    network.def("save", &Save, py::arg("path"),
                "Write the network file, under a temporary name renamed into place once all of "
                "it was written: a failed save leaves an earlier file as it was.");
    network.def("__repr__", &Describe);
    network.def("__getstate__", &State);
    // pybind11 takes any function named __setstate__ for a constructor and skips it on a live
    // instance without a word; under another name it runs, and refuses.
    network.attr("__setstate__") = py::cpp_function(&SetState, py::name("_set_state"),
                                                    py::is_method(network), py::arg("state"));

    module.def("load", &Load, py::arg("path"),
               "Load a network file. Raises zorf.FileError for a file that cannot be read, breaks "
               "the format or holds no fuzzy network that recall can run.");
    module.def("make", &Make, py::kw_only(), py::arg("inputs") = py::none(),
               py::arg("rules") = py::none(), py::arg("outputs") = py::none(), py::arg("seed") = 1,
               py::arg("low") = -1.0, py::arg("high") = 1.0, py::arg("prune") = 0.0,
               py::arg("data") = py::none(),
               R"(A new network, as MakeZorf makes it: the same arguments give the same file.

With data=(X, Y), rows of inputs in their own units and of expected outputs in [0, 1], the
network starts from those rows as MakeZorf --data starts it: centres at each input's
quantiles, one rule per cluster of rows, output centres by least squares. inputs, rules and
outputs may then be left out: 2 functions per input (3 from 1000 rows on or with at most 4
inputs), 2 per output, one rule per 40 rows (3 to 32).

inputs and outputs list the membership functions of each input and output (2 to 1000
each); rules is 1 to 1000000; the rule and action weights are drawn from [low, high) by
the pseudo-random sequence started at seed (0 to 4294967295); prune is the share (0 to 1)
of the condition-to-rule and of the rule-to-action arcs to remove.
Raises zorf.BadArgumentError for a recipe that cannot be built.)");
}

}  // namespace ZorfPython
