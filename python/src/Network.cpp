#include "Network.h"

#include <pybind11/stl.h>

#include <limits>
#include <string>
#include <vector>

#include "Arrays.h"
#include "DataSets.h"
#include "Errors.h"
#include "FileHandler/NetworkFile/NetworkFileWriter.h"
#include "FileHandler/NetworkFile/NetworkSoundness.h"
#include "FileHandler/Syntax/InputStream.h"
#include "FileHandler/Syntax/OutputStream.h"
#include "Zorf/MakeZorf.h"
#include "Zorf/RecallBatch.h"

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

using NetworkHandle = std::shared_ptr<Network>;

NetworkHandle Load(const py::object& path) {
    const std::string fileName = PathArgument(path);
    const py::gil_scoped_release released;
    FileTools::ScratchBuffer scratch;
    return std::make_shared<Network>(FileTools::LoadRecallableZorf(scratch, fileName));
}

void Save(Network& network, const py::object& path) {
    const std::string fileName = PathArgument(path);
    const py::gil_scoped_release released;
    const auto held = network.Hold();
    FileTools::SaveNetwork(fileName, network.Zorf());
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

NetworkHandle Make(const std::vector<std::int64_t>& inputs, std::int64_t rules,
                   const std::vector<std::int64_t>& outputs, std::int64_t seed, double low,
                   double high, double prune) {
    TZorfRecipe recipe;
    recipe.mfPerInput = Counts(inputs, "each membership-function count of inputs");
    recipe.numRules = Count(rules, "rules", std::numeric_limits<std::int32_t>::min(),
                            std::numeric_limits<std::int32_t>::max());
    recipe.mfPerOutput = Counts(outputs, "each membership-function count of outputs");
    recipe.seed = static_cast<std::uint32_t>(
        Count(seed, "seed", 0, std::numeric_limits<std::uint32_t>::max()));
    recipe.minimum = low;
    recipe.maximum = high;
    recipe.pruneShare = prune;
    return std::make_shared<Network>(MakeZorf(recipe));
}

py::array_t<double> Recall(Network& network, const py::object& values, int threads) {
    const Matrix inputs = RowsArgument(values, "X", network.NumInputs(), "inputs");
    const py::ssize_t rows = inputs.shape(0);
    py::array_t<double> outputs({rows, static_cast<py::ssize_t>(network.NumOutputs())});
    double* generated = outputs.mutable_data();
    const py::gil_scoped_release released;
    const auto held = network.Hold();
    RecallRows(network.Zorf(), inputs.data(), rows, generated, threads);
    return outputs;
}

double RmsError(Network& network, const py::object& inputValues, const py::object& outputValues) {
    const Matrix inputs = RowsArgument(inputValues, "X", network.NumInputs(), "inputs");
    const Matrix expected = RowsArgument(outputValues, "Y", network.NumOutputs(), "outputs");
    const std::unique_ptr<Data> rows = DataSetOf(inputs, &expected);
    const py::gil_scoped_release released;
    const auto held = network.Hold();
    return network.Zorf().RecallOutputOnly(rows.get(), TZorf::RmsError);
}

py::dict Architecture(Network& network) {
    const auto held = network.Hold();
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

py::array_t<double> Weights(Network& network, std::int32_t layer) {
    const auto held = network.Hold();
    const std::vector<double> weights = network.Zorf().GetWeightLayer(layer);
    return py::array_t<double>(static_cast<py::ssize_t>(weights.size()), weights.data());
}

// The number of weights of a layer, refused by the library for a layer that is none.
std::int64_t LayerSize(Network& network, std::int32_t layer) {
    return static_cast<std::int64_t>(network.Zorf().GetWeightLayer(layer).size());
}

void SetWeights(Network& network, std::int32_t layer, const py::object& values) {
    const auto held = network.Hold();
    const Matrix weights = VectorArgument(values, "weights", LayerSize(network, layer));
    network.Zorf().SetWeightLayer(layer,
                                  {weights.data(), static_cast<std::size_t>(weights.shape(0))});
}

// A network file holds its weights with 15 decimals. A pickle carries the file's text for
// the structure and every weight of the four weight layers as it is, so that a network
// shipped to another process recalls to the same bits.
constexpr std::int32_t kWeightLayers = 4;

py::tuple State(Network& network) {
    const auto held = network.Hold();
    FileTools::OutputStream out;
    FileTools::WriteNetwork(out, network.Zorf());
    py::list weights;
    for (std::int32_t layer = 1; layer <= kWeightLayers; ++layer) {
        const std::vector<double> values = network.Zorf().GetWeightLayer(layer);
        weights.append(py::array_t<double>(static_cast<py::ssize_t>(values.size()), values.data()));
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
    for (std::int32_t layer = 1; layer <= kWeightLayers; ++layer) {
        SetWeights(*network, layer, weights[static_cast<std::size_t>(layer - 1)]);
    }
    return network;
}

py::array_t<bool> Frozen(Network& network, std::int32_t layer) {
    const auto held = network.Hold();
    const std::vector<std::uint8_t> flags = network.Zorf().GetFrozenLayer(layer);
    py::array_t<bool> frozen(static_cast<py::ssize_t>(flags.size()));
    bool* out = frozen.mutable_data();
    for (std::size_t i = 0; i < flags.size(); ++i) {
        out[i] = flags[i] != 0;
    }
    return frozen;
}

void SetFrozen(Network& network, std::int32_t layer, const py::object& values) {
    const auto held = network.Hold();
    const Matrix given = VectorArgument(values, "frozen", LayerSize(network, layer));
    std::vector<std::uint8_t> flags;
    flags.reserve(static_cast<std::size_t>(given.shape(0)));
    for (py::ssize_t i = 0; i < given.shape(0); ++i) {
        flags.push_back(given.data()[i] != 0.0 ? 1 : 0);
    }
    network.Zorf().SetFrozenLayer(layer, flags);
}

std::string Describe(Network& network) {
    const py::dict architecture = Architecture(network);
    return "<zorf.Network inputs=" + py::str(architecture["input_functions"]).cast<std::string>() +
           " rules=" + py::str(architecture["rules"]).cast<std::string>() +
           " outputs=" + py::str(architecture["output_functions"]).cast<std::string>() + ">";
}

constexpr const char* kLayerDoc =
    "Weight layers: 1 the centres of the input membership functions (one per condition node), "
    "2 the condition-to-rule weights and 3 the rule-to-action weights (from-major: entry "
    "source * targets + target, pruned arcs included), 4 the centres of the output membership "
    "functions (one per action node).";

}  // namespace

void BindNetwork(py::module_& module) {
    py::class_<Network, NetworkHandle> network(module, "Network", R"(A six-layer fuzzy network.

Created by zorf.load or zorf.make, never directly. Pickles through its network file text,
so it can be shipped to worker processes. One operation at a time uses a network; recall
releases the GIL, so threads with networks of their own recall in parallel.)");
    network.def("recall", &Recall, py::arg("X"), py::kw_only(), py::arg("threads") = 0,
                R"(The generated outputs of the rows of X, on `threads` threads (0: every core).

X is a 2-D array-like of shape (rows, inputs) of any numeric dtype and memory order; it is
converted to C-ordered float64 once. Returns a float64 array of shape (rows, outputs),
bit for bit what RecallZorf computes for the same rows. Raises ValueError for another
shape, TypeError for values that are not numbers, zorf.CheckFailure when an output leaves
[0, 1].)");
    network.def("rms_error", &RmsError, py::arg("X"), py::arg("Y"),
                "The root mean square error of the generated outputs of the rows of X against "
                "the expected outputs Y (rows, outputs).");
    network.def_property_readonly(
        "architecture", &Architecture,
        "A dict: inputs, input_functions (membership functions of each input), rules, outputs, "
        "output_functions, conditions and actions (the node counts of layers 2 and 4).");
    network.def(
        "weights", &Weights, py::arg("layer"),
        (std::string("The weights of a weight layer (1 to 4) as a 1-D float64 array. ") + kLayerDoc)
            .c_str());
    network.def("set_weights", &SetWeights, py::arg("layer"), py::arg("weights"),
                "Replace the weights of a weight layer (1 to 4) from a 1-D array in the layout "
                "of weights(layer).");
    network.def("frozen", &Frozen, py::arg("layer"),
                "A 1-D bool array in the layout of weights(layer): True where an existing arc is "
                "frozen (kept as it is by training).");
    network.def("set_frozen", &SetFrozen, py::arg("layer"), py::arg("frozen"),
                "Freeze (true) or unfreeze (false) each existing arc of a weight layer from a 1-D "
                "array in the layout of weights(layer); pruned arcs stay absent.");
    network.def("save", &Save, py::arg("path"),
                "Write the network file, under a temporary name renamed into place once all of "
                "it was written: a failed save leaves an earlier file as it was.");
    network.def("__repr__", &Describe);
    network.def(py::pickle(&State, &FromState));

    module.def("load", &Load, py::arg("path"),
               "Load a network file. Raises zorf.FileError for a file that cannot be read, breaks "
               "the format or holds no fuzzy network that recall can run.");
    module.def("make", &Make, py::kw_only(), py::arg("inputs"), py::arg("rules"),
               py::arg("outputs"), py::arg("seed") = 1, py::arg("low") = -1.0,
               py::arg("high") = 1.0, py::arg("prune") = 0.0,
               R"(A new network, as MakeZorf makes it: the same arguments give the same file.

inputs and outputs list the membership functions of each input and output (2 to 1000
each); rules is 1 to 1000000; the rule and action weights are drawn from [low, high) by
the pseudo-random sequence started at seed (0 to 4294967295); prune is the share (0 to 1)
of the condition-to-rule and of the rule-to-action arcs to remove.
Raises zorf.BadArgumentError for a recipe that cannot be built.)");
}

}  // namespace ZorfPython
