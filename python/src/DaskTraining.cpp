// The two halves of training on a cluster (zorf.dask.train): a worker's sums of its rows block
// by block, and the trainer on the client, which asks Python for each epoch's sums and adds
// them as the local threads add theirs.
#include "DaskTraining.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "Arrays.h"
#include "DataObject/Data.h"
#include "Errors.h"
#include "Network.h"
#include "NeuralNets/TErrorObj.h"
#include "Train/EpochEvaluator.h"
#include "Train/Trainer.h"
#include "Training.h"

namespace py = pybind11;

namespace ZorfPython {

namespace {

using Counts = py::array_t<std::int32_t, py::array::c_style | py::array::forcecast>;

py::tuple TrainBlockSums(const py::handle& self, const py::object& inputs,
                         const py::object& outputs, const Matrix& parameters, double rowWeight,
                         bool withGradient, bool classify, const py::kwargs& given) {
    Network& network = NetworkOf(self);
    const TTrainSettings settings = Settings(given);
    const std::unique_ptr<Data> data = Rows(network, inputs, outputs, "");
    TBlockSums sums;
    {
        const auto shared = network.Share();
        const TTrainRows rows = ReadTrainRows(*data, network.Zorf(), "training");
        const py::gil_scoped_release released;
        sums = SumTrainBlocks(
            network.Zorf(), settings, rows,
            std::span<const double>(parameters.data(), static_cast<std::size_t>(parameters.size())),
            rowWeight, withGradient, classify);
    }
    const auto blocks = static_cast<py::ssize_t>(sums.errorSums.size());
    const py::ssize_t width =
        blocks == 0 || !withGradient ? 0 : static_cast<py::ssize_t>(sums.gradients.size()) / blocks;
    py::array_t<double> errors(blocks);
    Counts counts(blocks);
    Counts right(blocks);
    py::array_t<double> gradients({blocks, width});
    std::copy(sums.errorSums.begin(), sums.errorSums.end(), errors.mutable_data());
    std::copy(sums.rows.begin(), sums.rows.end(), counts.mutable_data());
    std::copy(sums.right.begin(), sums.right.end(), right.mutable_data());
    std::copy(sums.gradients.begin(), sums.gradients.end(), gradients.mutable_data());
    return py::make_tuple(errors, counts, right, gradients);
}

// Each epoch's sums from Python: `sums(parameters, row_weight, with_gradient, classify)`
// returns, chunk after chunk in row order, (error sums, rows, rows classified right, gradients)
// of the chunk's blocks;
// `useNetwork(network)` gets a copy of the network whenever its structure is new.
class TPythonEvaluator final : public TEpochEvaluator {
  public:
    TPythonEvaluator(py::object sumsFunction, py::object useFunction)
        : sums(std::move(sumsFunction)), use(std::move(useFunction)) {}

    void UseNetwork(const TZorf& network) override {
        const py::gil_scoped_acquire acquired;
        use(py::cast(std::make_shared<Network>(std::make_unique<TZorf>(network))));
    }

    void AddSums(std::span<const double> parameters, std::span<const std::int32_t> rows,
                 double rowWeight, bool withGradient, bool classify, TErrorObj& error,
                 std::span<double> gradient, std::int32_t& right) override {
        const py::gil_scoped_acquire acquired;
        py::array_t<double> values(static_cast<py::ssize_t>(parameters.size()));
        std::copy(parameters.begin(), parameters.end(), values.mutable_data());
        const py::object parts = sums(values, rowWeight, withGradient, classify);
        std::int64_t summed = 0;
        for (const py::handle part : parts) {
            const auto chunk = part.cast<py::tuple>();
            const auto errors = chunk[0].cast<Matrix>();
            const auto counts = chunk[1].cast<Counts>();
            const auto classified = chunk[2].cast<Counts>();
            const auto gradients = chunk[3].cast<Matrix>();
            const auto blocks = static_cast<std::size_t>(errors.size());
            if (static_cast<std::size_t>(counts.size()) != blocks ||
                static_cast<std::size_t>(classified.size()) != blocks ||
                (withGradient &&
                 static_cast<std::size_t>(gradients.size()) != blocks * gradient.size())) {
                throw TTrainRefusal("The sums of a chunk of rows do not fit the network");
            }
            for (std::size_t b = 0; b < blocks; ++b) {
                summed += counts.data()[b];
            }
            AddBlockSums(std::span<const double>(errors.data(), blocks),
                         std::span<const std::int32_t>(counts.data(), blocks),
                         std::span<const std::int32_t>(classified.data(), blocks),
                         std::span<const double>(gradients.data(),
                                                 static_cast<std::size_t>(gradients.size())),
                         error, withGradient ? gradient : std::span<double>(), right);
        }
        // A network trained on part of the rows must not pass for one trained on all.
        if (summed != static_cast<std::int64_t>(rows.size())) {
            throw TTrainRefusal("The workers summed " + std::to_string(summed) + " rows of " +
                                std::to_string(rows.size()));
        }
    }

  private:
    py::object sums;
    py::object use;
};

py::dict TrainOnSums(const py::handle& self, std::int64_t rows, bool oneHot,
                     const py::object& validation, const py::object& sums,
                     const py::object& useNetwork, const py::kwargs& given) {
    Network& network = NetworkOf(self);
    std::unique_ptr<Data> checked;
    if (!validation.is_none()) {
        checked = Rows(network, validation[py::int_(0)], validation[py::int_(1)], "validation ");
    }
    const TTrainSettings settings = Settings(given);
    TPythonEvaluator evaluator(sums, useNetwork);
    return TrainHeld(network, [&](const TEpochProgress& progress, const std::atomic<bool>* stop) {
        return Train(network.Zorf(), static_cast<std::int32_t>(rows), oneHot, checked.get(),
                     settings, evaluator, progress, stop);
    });
}

}  // namespace

void BindDaskTraining(py::module_& module) {
    module.attr("TRAIN_BLOCK_ROWS") = kTrainBlockRows;
    module.def("_train_block_sums", &TrainBlockSums, py::arg("network"), py::arg("X"), py::arg("Y"),
               py::arg("parameters"), py::arg("row_weight"), py::arg("with_gradient"),
               py::arg("classify"),
               "The error sums, rows, rows classified right and gradients of each block of the "
               "rows X, Y with the "
               "network's trained parameters at `parameters`: a worker's part of "
               "zorf.dask.train.");
    module.def("_train_on_sums", &TrainOnSums, py::arg("network"), py::arg("rows"),
               py::arg("one_hot"), py::arg("validation"), py::arg("sums"), py::arg("use_network"),
               "zorf.train on `rows` rows that `sums` sums each epoch: the client's part of "
               "zorf.dask.train.");
}

}  // namespace ZorfPython
