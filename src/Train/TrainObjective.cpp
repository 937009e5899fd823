#include "Train/TrainObjective.h"

#include <algorithm>

#include "DataObject/Data.h"
#include "Train/EpochEvaluator.h"
#include "Train/Trainer.h"
#include "Zorf/TNonFiniteInput.h"
#include "Zorf/TZorf.h"

TTrainRows ReadTrainRows(Data& data, const TZorf& network, const std::string& role) {
    const TZorfArchitecture architecture = network.GetArchitecture();
    TTrainRows rows;
    rows.count = data.MbrNdxDataRows;
    rows.numInputs = data.GetNumSelectedInputs();
    rows.numOutputs = data.GetNumSelectedOutputs();
    if (rows.numInputs != architecture.numInputs) {
        throw TTrainRefusal("The " + role + " set delivers " + std::to_string(rows.numInputs) +
                            " inputs per row; the network takes " +
                            std::to_string(architecture.numInputs));
    }
    if (rows.numOutputs == 0) {
        throw TTrainRefusal("The " + role + " set has no expected outputs");
    }
    if (rows.numOutputs != architecture.numOutputs) {
        throw TTrainRefusal("The " + role + " set has " + std::to_string(rows.numOutputs) +
                            " expected outputs per row; the network has " +
                            std::to_string(architecture.numOutputs) + " outputs");
    }
    if (rows.count == 0) {
        throw TTrainRefusal("The " + role + " set has no rows");
    }
    rows.inputs.resize(static_cast<std::size_t>(rows.count) * rows.numInputs);
    rows.outputs.resize(static_cast<std::size_t>(rows.count) * rows.numOutputs);
    data.Rewind();
    for (std::int32_t r = 0; r < rows.count; ++r) {
        const std::span<double> in(
            rows.inputs.data() + static_cast<std::size_t>(r) * rows.numInputs,
            static_cast<std::size_t>(rows.numInputs));
        const std::span<double> out(
            rows.outputs.data() + static_cast<std::size_t>(r) * rows.numOutputs,
            static_cast<std::size_t>(rows.numOutputs));
        data.GetNext(in, out);
        if (FirstNonFinite(in.data(), in.size())) {
            throw TTrainRefusal("Row " + std::to_string(r + 1) + " of the " + role +
                                " set has an input that is not a finite number");
        }
        for (const double value : out) {
            // The centre of gravity of centres within [0, 1] cannot reach anything else.
            if (!(value >= 0.0 && value <= 1.0)) {
                throw TTrainRefusal("Row " + std::to_string(r + 1) + " of the " + role +
                                    " set has an expected output outside [0, 1]");
            }
        }
    }
    return rows;
}

TTrainObjective::TTrainObjective(TZorf& network, const TTrainRows& rows,
                                 const TTrainSettings& settings, TEpochEvaluator* evaluator)
    : training(rows),
      penalty(settings.penalty),
      minCentreGap(settings.minCentreGap),
      gradient(network, settings.trainLayers),
      measure(settings.errorMeasure, rows.numOutputs),
      parameters(gradient.Parameters()),
      gradientSum(parameters.size(), 0.0),
      local(evaluator == nullptr ? std::make_unique<TLocalEpochEvaluator>(network, rows, settings)
                                 : nullptr),
      sums(evaluator != nullptr ? evaluator : local.get()) {
    for (std::size_t p = 0; p < parameters.size(); ++p) {
        const std::uint8_t layer = gradient.LayerOf()[p];
        if (layer == TZorf::kRuleWeights || layer == TZorf::kActionWeights) {
            penalized.push_back(p);
        }
    }
    penalizedValues.resize(penalized.size());
    if (evaluator != nullptr) {
        evaluator->UseNetwork(network);
    }
}

TTrainObjective::~TTrainObjective() = default;

void TTrainObjective::ConstrainAndSet() {
    gradient.Constrain(parameters, minCentreGap);
    gradient.SetParameters(parameters);
}

void TTrainObjective::SetParameters(std::span<const double> values) {
    std::copy(values.begin(), values.end(), parameters.begin());
    gradient.SetParameters(parameters);
}

double TTrainObjective::Evaluate(std::span<const std::int32_t> rows, bool withGradient,
                                 bool classify) {
    TErrorObj& error = measure.Get();
    error.Reset();
    const auto batch = static_cast<std::int32_t>(rows.size());
    const double rowWeight = measure.IsCrossEntropy()
                                 ? 1.0 / batch
                                 : 1.0 / (static_cast<double>(batch) * training.numOutputs);
    std::fill(gradientSum.begin(), gradientSum.end(), 0.0);
    right = 0;
    sums->AddSums(parameters, rows, rowWeight, withGradient, classify, error, gradientSum, right);
    if (!penalty.IsNone()) {
        for (std::size_t i = 0; i < penalized.size(); ++i) {
            penalizedValues[i] = parameters[penalized[i]];
        }
        error.AddPenalty(static_cast<std::int32_t>(penalizedValues.size()), penalizedValues.data(),
                         penalty);
    }
    if (withGradient && !penalty.IsNone()) {
        // The penalty counts once per pass over all rows, a batch its share of it.
        const double share = rowWeight * batch / training.count;
        for (const std::size_t p : penalized) {
            gradientSum[p] += share * penalty.Derivative(parameters[p]);
        }
    }
    return error.GetError();
}
