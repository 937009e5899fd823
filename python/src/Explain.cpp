#include "Explain.h"

#include <pybind11/numpy.h>

#include <memory>
#include <string>

#include "Arrays.h"
#include "Network.h"
#include "Zorf/TZorfExplanation.h"
#include "Zorf/TZorfRules.h"

namespace py = pybind11;

namespace ZorfPython {

namespace {

// The rules as ExplainZorf's JSON has them, so that both give the same data.
py::object Rules(const py::handle& self, double threshold) {
    Network& network = NetworkOf(self);
    std::string json;
    {
        // Reading the weights shares the network with recall and the other readers.
        const auto shared = network.Share();
        const py::gil_scoped_release released;
        json = RulesJson(ReadRules(network.Zorf(), threshold));
    }
    return py::module_::import("json").attr("loads")(json)["rules"];
}

py::dict Explain(const py::handle& self, const py::object& values) {
    Network& network = NetworkOf(self);
    const Matrix inputs = RowsArgument(values, "X", network.NumInputs(), "inputs");
    const py::ssize_t rows = inputs.shape(0);
    // Explaining propagates the network itself, so it holds the network alone; the wait for it
    // lets go of the GIL (Network::Hold), so a training callback that waits for the GIL while
    // it holds the network never waits on this thread.
    const auto held = network.Hold();
    const TZorfArchitecture architecture = network.Zorf().GetArchitecture();
    const auto layer = [rows](std::int32_t size) {
        return py::array_t<double>({rows, static_cast<py::ssize_t>(size)});
    };
    py::array_t<double> memberships = layer(architecture.numConditions);
    py::array_t<double> rules = layer(architecture.numRules);
    py::array_t<double> actions = layer(architecture.numActions);
    py::array_t<double> outputs = layer(architecture.numOutputs);
    double* into[] = {memberships.mutable_data(), rules.mutable_data(), actions.mutable_data(),
                      outputs.mutable_data()};
    {
        const py::gil_scoped_release released;
        const auto width = static_cast<std::size_t>(architecture.numInputs);
        TZorfExplanation row;
        for (py::ssize_t r = 0; r < rows; ++r) {
            ExplainRow(network.Zorf(), {inputs.data() + static_cast<std::size_t>(r) * width, width},
                       row, r);
            const std::vector<double>* layers[] = {&row.memberships, &row.rules, &row.actions,
                                                   &row.outputs};
            for (std::size_t k = 0; k < 4; ++k) {
                into[k] = std::copy(layers[k]->begin(), layers[k]->end(), into[k]);
            }
        }
    }
    py::dict explanation;
    explanation["memberships"] = memberships;
    explanation["rules"] = rules;
    explanation["actions"] = actions;
    explanation["outputs"] = outputs;
    return explanation;
}

}  // namespace

void BindExplain(py::module_& module) {
    auto network = py::reinterpret_borrow<py::class_<Network, std::shared_ptr<Network>>>(
        module.attr("Network"));
    network.def("rules", &Rules, py::kw_only(), py::arg("threshold") = kDefaultRuleThreshold,
                R"(The rules in words and as data, as `ExplainZorf rules --format json` gives them.

A list of dicts, similar rules together: "rule" (its number), "text" (the rule in words),
"always" (its activation moves less than the threshold over the inputs' ranges),
"lowest"/"highest" (that range), "conditions" (each with "input", "functions" and
"labels" it names, "negated", "share" of how far the rule's weighted sum moves with that
input, "levels", "arcs", "frozen_arcs"), "actions" (each with "output", "function",
"label", "weight", "share" of the rule's action weights, "frozen"), the counts
"conditions_left_out" and "actions_left_out" of those whose share is below the threshold
(0 to 1), and "pruned_arcs".)");
    network.def("explain", &Explain, py::arg("X"),
                R"(Every layer's values for the rows of X, as the network's propagation leaves them.

A dict of float64 arrays with one row per row of X: "memberships" (rows, conditions),
"rules" (rows, rules), "actions" (rows, actions) and "outputs" (rows, outputs), the last
bit for bit what recall(X) gives. Refuses X as recall does.)");
}

}  // namespace ZorfPython
