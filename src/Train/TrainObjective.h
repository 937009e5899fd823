// What training minimises, and its gradient. For a batch of B of the N training rows with K
// outputs each, the objective is
//
//   RMS:           (sum over the batch of the squared differences + B/N * penalty) / (B * K)
//   cross-entropy: (sum over the batch of the cross-entropy terms + B/N * penalty) / B
//
// so that over all rows it is the square of the reported RMS error, or the reported
// cross-entropy over N: the error an epoch reports (the measure with the whole penalty added,
// as AddPenalty of the error measures defines it) falls as the objective does. The penalty
// weighs the trainable rule and action weights.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "NeuralNets/TErrorObj.h"
#include "Train/TZorfGradient.h"
#include "Train/TrainSettings.h"

class Data;
class TZorf;

// A data set's selected columns, row after row, read once.
struct TTrainRows {
    std::int32_t count = 0;
    // Whether the expected outputs are one-hot, for rows whose values are held elsewhere (and
    // summed there); none when the values are here.
    std::optional<bool> oneHot;
    std::int32_t numInputs = 0;
    std::int32_t numOutputs = 0;
    std::vector<double> inputs;
    std::vector<double> outputs;

    const double* Inputs(std::int32_t row) const {
        return inputs.data() + static_cast<std::size_t>(row) * numInputs;
    }
    const double* Outputs(std::int32_t row) const {
        return outputs.data() + static_cast<std::size_t>(row) * numOutputs;
    }
};

// The rows of `data` for `network`; TTrainRefusal, naming the set by its `role` ("training"),
// for rows that do not fit the network, have no expected outputs, an input that is not a
// finite number or an expected output outside [0, 1].
TTrainRows ReadTrainRows(Data& data, const TZorf& network, const std::string& role);

// The error measure of the settings, either kind behind one face.
class TTrainMeasure {
  public:
    TTrainMeasure(TTrainErrorMeasure kind, std::int32_t outputs)
        : crossEntropy(kind == TTrainErrorMeasure::CrossEntropy), rms(outputs), entropy(outputs) {}
    TErrorObj& Get() {
        if (crossEntropy) {
            return entropy;
        }
        return rms;
    }
    bool IsCrossEntropy() const { return crossEntropy; }

  private:
    bool crossEntropy;
    TErrorRMSObj rms;
    TErrorCrossEntropyObj entropy;
};

class TEpochEvaluator;

class TTrainObjective {
  public:
    // Refuses (TTrainRefusal) a network TZorfGradient cannot differentiate. The sums over the
    // rows come from `evaluator` (which must outlive the objective), or else from the threads
    // the settings give.
    TTrainObjective(TZorf& network, const TTrainRows& rows, const TTrainSettings& settings,
                    TEpochEvaluator* evaluator = nullptr);
    ~TTrainObjective();
    TTrainObjective(const TTrainObjective&) = delete;
    TTrainObjective& operator=(const TTrainObjective&) = delete;

    // The trainable parameters (TZorfGradient's order) and the weight layer of each.
    std::span<double> Parameters() { return parameters; }
    std::span<const std::uint8_t> LayerOf() const { return gradient.LayerOf(); }
    std::span<const double> UnitOf() const { return gradient.UnitOf(); }
    // Keeps the parameters recallable (TZorfGradient::Constrain); then writes them into the
    // network, as SetParameters does.
    void ConstrainAndSet();
    // Writes `values` into the parameters and the network; no TPackedPropagation may be alive.
    void SetParameters(std::span<const double> values);

    // The error the rows (positions among the training rows) give, as an epoch reports it;
    // with `withGradient` also the objective's gradient over them, read by Gradient.
    // With `classify`, also counts the rows ClassifiedRight, read by Right.
    double Evaluate(std::span<const std::int32_t> rows, bool withGradient, bool classify = false);
    std::int32_t Right() const { return right; }
    std::span<const double> Gradient() const { return gradientSum; }

  private:
    const TTrainRows& training;
    TPenalty penalty;
    double minCentreGap;
    TZorfGradient gradient;
    TTrainMeasure measure;
    std::vector<double> parameters;
    std::vector<double> gradientSum;
    std::int32_t right = 0;
    // The parameters the penalty weighs, and their values for the error measure.
    std::vector<std::size_t> penalized;
    std::vector<double> penalizedValues;
    std::unique_ptr<TEpochEvaluator> local;
    TEpochEvaluator* sums;
};
