#include "Train/Trainer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <string>

#include "DataObject/Data.h"
#include "KQmessage/KQML.h"
#include "KQmessage/StrCaseCmp.h"
#include "NeuralNets/TErrorObj.h"
#include "NeuralNets/TPackedPropagation.h"
#include "Train/TZorfGradient.h"
#include "Zorf/TNonFiniteInput.h"
#include "Zorf/TZorf.h"

namespace {

// Cross-entropy's derivative by an output is infinite at 0 and 1; the gradient (not the
// reported error) takes the output this far inside.
constexpr double kCrossEntropyMargin = 1e-12;
constexpr double kRpropIncrease = 1.2;
constexpr double kRpropDecrease = 0.5;
constexpr double kRpropMinStep = 1e-9;
constexpr double kCentreStepShare = 0.1;
constexpr double kAdamBeta1 = 0.9;
constexpr double kAdamBeta2 = 0.999;
constexpr double kAdamEpsilon = 1e-8;

// A data set's selected columns, row after row, read once.
struct TRows {
    std::int32_t count = 0;
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

TRows ReadRows(Data& data, const TZorf& network, const std::string& role) {
    const TZorfArchitecture architecture = network.GetArchitecture();
    TRows rows;
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
            throw TTrainRefusal("Row " + std::to_string(r) + " of the " + role +
                                " set has an input that is not a finite number");
        }
        for (const double value : out) {
            // The centre of gravity of centres within [0, 1] cannot reach anything else.
            if (!(value >= 0.0 && value <= 1.0)) {
                throw TTrainRefusal("Row " + std::to_string(r) + " of the " + role +
                                    " set has an expected output outside [0, 1]");
            }
        }
    }
    return rows;
}

std::unique_ptr<TKQstructure> ParsePenalty(const std::string& text) {
    if (text.empty()) {
        return nullptr;
    }
    const char* cursor = text.c_str();
    return TKQstructure::ParseText(cursor);
}

double PenaltyKey(const TKQstructure& penalty, std::string_view key, double fallback) {
    const TKQstructure* value = penalty.FindValue(key);
    return value == nullptr ? fallback : RequireReal(value->Head());
}

// The derivative of ComputePenalty by each weight, scaled.
class TPenaltyGradient {
  public:
    explicit TPenaltyGradient(const TKQstructure* penalty) {
        if (penalty == nullptr) {
            return;
        }
        if (KQML::strcasecmp(penalty->Head(), "QUADPENALTY") == 0) {
            kind = Kind::Quad;
            epsilon1 = PenaltyKey(*penalty, "EPSILON1", 0.0);
            epsilon2 = PenaltyKey(*penalty, "EPSILON2", 0.0);
            beta = PenaltyKey(*penalty, "BETA", 1.0);
        } else if (KQML::strcasecmp(penalty->Head(), "LWF") == 0) {
            kind = Kind::Lwf;
            rate = PenaltyKey(*penalty, "LEARNINGRATE", 0.0) *
                   PenaltyKey(*penalty, "FORGETTINGRATE", 0.0);
        }
    }

    bool Any() const { return kind != Kind::None; }

    double Of(double w) const {
        if (kind == Kind::Quad) {
            const double denominator = beta * w * w + 1.0;
            return epsilon1 * (2.0 * beta * w) / (denominator * denominator) + 2.0 * epsilon2 * w;
        }
        if (kind == Kind::Lwf) {
            return w > 0.0 ? rate : (w < 0.0 ? -rate : 0.0);
        }
        return 0.0;
    }

  private:
    enum class Kind { None, Quad, Lwf };
    Kind kind = Kind::None;
    double epsilon1 = 0.0;
    double epsilon2 = 0.0;
    double beta = 1.0;
    double rate = 0.0;
};

// The error measure of the settings, either kind behind one face.
class TMeasure {
  public:
    explicit TMeasure(TTrainErrorMeasure kind, std::int32_t outputs)
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

// One optimizer step over all parameters from the gradient of the error.
class TOptimizer {
  public:
    TOptimizer(const TTrainSettings& settings, std::span<const std::uint8_t> layerOf)
        : algorithm(settings.algorithm),
          momentum(settings.momentum),
          previousGradient(layerOf.size(), 0.0),
          previousStep(layerOf.size(), 0.0),
          moment(layerOf.size(), 0.0) {
        if (settings.learningRate) {
            learningRate = *settings.learningRate;
        } else {
            learningRate = algorithm == TTrainAlgorithm::Adam ? 0.01 : 0.1;
        }
        for (const std::uint8_t layer : layerOf) {
            // Centres live in the inputs' and outputs' [0, 1], weights on the sigmoid's scale.
            const bool centre = layer == 1 || layer == 4;
            const double share = centre ? kCentreStepShare : 1.0;
            step.push_back(settings.initialStep * share);
            maxStep.push_back(settings.maxStep * share);
        }
    }

    void Step(std::span<double> parameters, std::span<const double> gradient, double error) {
        switch (algorithm) {
            case TTrainAlgorithm::Rprop:
                Rprop(parameters, gradient, error);
                break;
            case TTrainAlgorithm::Backprop:
                for (std::size_t p = 0; p < parameters.size(); ++p) {
                    previousStep[p] = momentum * previousStep[p] - learningRate * gradient[p];
                    parameters[p] += previousStep[p];
                }
                break;
            case TTrainAlgorithm::Adam:
                Adam(parameters, gradient);
                break;
        }
    }

  private:
    TTrainAlgorithm algorithm;
    double learningRate = 0.1;
    double momentum;
    std::vector<double> step;
    std::vector<double> maxStep;
    // RPROP: the last gradient and step; Backprop: the velocity in previousStep; Adam: the
    // first moment in `moment` and the second in previousGradient.
    std::vector<double> previousGradient;
    std::vector<double> previousStep;
    std::vector<double> moment;
    double previousError = HUGE_VAL;
    std::int64_t adamSteps = 0;

    static double Sign(double x) { return x > 0.0 ? 1.0 : (x < 0.0 ? -1.0 : 0.0); }

    // iRprop+: a weight whose gradient changed sign steps back when the error grew.
    void Rprop(std::span<double> parameters, std::span<const double> gradient, double error) {
        const bool worse = error > previousError;
        for (std::size_t p = 0; p < parameters.size(); ++p) {
            const double g = gradient[p];
            const double product = previousGradient[p] * g;
            if (product > 0.0) {
                step[p] = std::min(step[p] * kRpropIncrease, maxStep[p]);
                previousStep[p] = -Sign(g) * step[p];
                parameters[p] += previousStep[p];
                previousGradient[p] = g;
            } else if (product < 0.0) {
                step[p] = std::max(step[p] * kRpropDecrease, kRpropMinStep);
                if (worse) {
                    parameters[p] -= previousStep[p];
                }
                previousStep[p] = 0.0;
                previousGradient[p] = 0.0;
            } else {
                previousStep[p] = -Sign(g) * step[p];
                parameters[p] += previousStep[p];
                previousGradient[p] = g;
            }
        }
        previousError = error;
    }

    void Adam(std::span<double> parameters, std::span<const double> gradient) {
        ++adamSteps;
        const double correction1 = 1.0 - std::pow(kAdamBeta1, static_cast<double>(adamSteps));
        const double correction2 = 1.0 - std::pow(kAdamBeta2, static_cast<double>(adamSteps));
        for (std::size_t p = 0; p < parameters.size(); ++p) {
            const double g = gradient[p];
            moment[p] = kAdamBeta1 * moment[p] + (1.0 - kAdamBeta1) * g;
            previousGradient[p] = kAdamBeta2 * previousGradient[p] + (1.0 - kAdamBeta2) * g * g;
            const double m = moment[p] / correction1;
            const double v = previousGradient[p] / correction2;
            parameters[p] -= learningRate * m / (std::sqrt(v) + kAdamEpsilon);
        }
    }
};

// One run of training on one network structure: before pruning, and again after it.
class TTrainPhase {
  public:
    TTrainPhase(TZorf& network, const TRows& trainingRows, const TRows* validationRows,
                const TTrainSettings& trainSettings, const TKQstructure* penaltySpec)
        : net(network),
          training(trainingRows),
          validation(validationRows),
          settings(trainSettings),
          penalty(penaltySpec),
          penaltyGradient(penaltySpec),
          gradient(network, trainSettings.trainLayers),
          optimizer(trainSettings, gradient.LayerOf()),
          measure(trainSettings.errorMeasure, trainingRows.numOutputs),
          validationMeasure(trainSettings.errorMeasure, trainingRows.numOutputs),
          parameters(gradient.Parameters()),
          gradientSum(parameters.size(), 0.0),
          generated(static_cast<std::size_t>(trainingRows.numOutputs)),
          outputGradient(generated.size()) {
        for (std::int32_t r = 0; r < training.count; ++r) {
            order.push_back(r);
        }
        for (std::size_t p = 0; p < parameters.size(); ++p) {
            const std::uint8_t layer = gradient.LayerOf()[p];
            if (layer == 2 || layer == 3) {
                penalized.push_back(p);
            }
        }
        penalizedValues.resize(penalized.size());
    }

    // Epochs numbered from firstEpoch; ends with the best network in place.
    void Run(std::int32_t firstEpoch, std::int32_t epochs, const TEpochProgress& progress,
             const std::atomic<bool>* stop, std::chrono::steady_clock::time_point start,
             TTrainResult& result) {
        std::mt19937 shuffler(settings.seed);
        const bool fullBatch = settings.algorithm == TTrainAlgorithm::Rprop ||
                               settings.batchSize == 0 || settings.batchSize >= training.count;
        std::vector<double> best = parameters;
        double bestKey = HUGE_VAL;
        std::int32_t bestEpoch = firstEpoch;
        for (std::int32_t e = 0;; ++e) {
            if (stop != nullptr && stop->load()) {
                result.interrupted = true;
                break;
            }
            const bool stepping = e < epochs;
            const double error = Pass(order, fullBatch && stepping, training.count);
            TEpochRecord record;
            record.epoch = firstEpoch + e;
            record.trainingError = error;
            if (validation != nullptr) {
                record.validationError = Measure(*validation);
            }
            record.seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            result.history.push_back(record);
            if (progress) {
                progress(record);
            }
            const double key = record.validationError.value_or(record.trainingError);
            if (key < bestKey) {
                bestKey = key;
                best = parameters;
                bestEpoch = record.epoch;
            }
            if (!stepping || key <= settings.targetError ||
                (settings.patience > 0 && record.epoch - bestEpoch >= settings.patience)) {
                break;
            }
            if (fullBatch) {
                Update(error);
            } else if (!Minibatches(shuffler, stop)) {
                result.interrupted = true;
                break;
            }
        }
        parameters = best;
        gradient.SetParameters(parameters);
        result.bestEpoch = bestEpoch;
        bestError = bestKey;
    }

    double BestError() const { return bestError; }

  private:
    TZorf& net;
    const TRows& training;
    const TRows* validation;
    const TTrainSettings& settings;
    const TKQstructure* penalty;
    TPenaltyGradient penaltyGradient;
    TZorfGradient gradient;
    TOptimizer optimizer;
    TMeasure measure;
    TMeasure validationMeasure;
    std::vector<double> parameters;
    std::vector<double> gradientSum;
    std::vector<double> generated;
    std::vector<double> outputGradient;
    std::vector<std::int32_t> order;
    std::vector<std::size_t> penalized;
    std::vector<double> penalizedValues;
    double bestError = HUGE_VAL;

    void Update(double error) {
        optimizer.Step(parameters, gradientSum, error);
        gradient.Constrain(parameters, settings.minCentreGap);
        gradient.SetParameters(parameters);
    }

    // Shuffles the rows and takes one step per batch; false when the stop flag ended it.
    bool Minibatches(std::mt19937& shuffler, const std::atomic<bool>* stop) {
        std::vector<std::int32_t>& rows = order;
        for (std::size_t i = rows.size(); i-- > 1;) {
            std::swap(rows[i], rows[shuffler() % (i + 1)]);
        }
        const std::size_t size = static_cast<std::size_t>(settings.batchSize);
        for (std::size_t first = 0; first < rows.size(); first += size) {
            if (stop != nullptr && stop->load()) {
                return false;
            }
            const std::size_t count = std::min(size, rows.size() - first);
            const double error = Pass(std::span<const std::int32_t>(rows).subspan(first, count),
                                      true, static_cast<std::int32_t>(count));
            Update(error);
        }
        return true;
    }

    // The error over the given rows with the penalty added; with `withGradient` the gradient
    // of the training objective over them in gradientSum: the mean squared error (or the mean
    // cross-entropy) of the batch plus its share of the penalty.
    double Pass(std::span<const std::int32_t> rows, bool withGradient, std::int32_t batch) {
        TErrorObj& error = measure.Get();
        error.Reset();
        const double rowWeight = measure.IsCrossEntropy()
                                     ? 1.0 / batch
                                     : 1.0 / (static_cast<double>(batch) * training.numOutputs);
        {
            const TPackedPropagation packed(net);
            for (const std::int32_t r : rows) {
                const double* expected = training.Outputs(r);
                net.Propagate(training.Inputs(r), generated.data());
                error.AddPattern(expected, generated.data());
                if (withGradient) {
                    OutputGradient(expected, rowWeight);
                    gradient.AddRowGradient(outputGradient);
                }
            }
        }
        for (std::size_t i = 0; i < penalized.size(); ++i) {
            penalizedValues[i] = parameters[penalized[i]];
        }
        if (penalty != nullptr) {
            error.AddPenalty(static_cast<std::int32_t>(penalizedValues.size()),
                             penalizedValues.data(), penalty);
        }
        if (withGradient) {
            std::fill(gradientSum.begin(), gradientSum.end(), 0.0);
            gradient.CollectGradient(gradientSum);
            if (penaltyGradient.Any()) {
                // The penalty counts once per pass over all rows, a batch its share of it.
                const double share = rowWeight * batch / training.count;
                for (const std::size_t p : penalized) {
                    gradientSum[p] += share * penaltyGradient.Of(parameters[p]);
                }
            }
        }
        return error.GetError();
    }

    void OutputGradient(const double* expected, double rowWeight) {
        for (std::size_t k = 0; k < generated.size(); ++k) {
            const double y = generated[k];
            if (measure.IsCrossEntropy()) {
                const double o = std::clamp(y, kCrossEntropyMargin, 1.0 - kCrossEntropyMargin);
                outputGradient[k] = rowWeight * (o - expected[k]) / (o * (1.0 - o));
            } else {
                outputGradient[k] = rowWeight * 2.0 * (y - expected[k]);
            }
        }
    }

    double Measure(const TRows& rows) {
        TErrorObj& error = validationMeasure.Get();
        error.Reset();
        const TPackedPropagation packed(net);
        for (std::int32_t r = 0; r < rows.count; ++r) {
            net.Propagate(rows.Inputs(r), generated.data());
            error.AddPattern(rows.Outputs(r), generated.data());
        }
        return error.GetError();
    }
};

constexpr std::int32_t kRuleLayer = 3;

// Removes the trainable rule and action arcs whose weight is below the threshold in absolute
// value, then the rules that feed no action any more (keeping one rule at least).
TPruneReport PruneSmallArcs(TZorf& network, double threshold) {
    TPruneReport report;
    for (const std::int32_t from : {2, 3}) {
        TBasicConnections& matrix = network.GetConnections(from, from + 1);
        const std::int32_t numFrom = network.GetLayer(from)->GetNumNeurons();
        const std::int32_t numTo = network.GetLayer(from + 1)->GetNumNeurons();
        for (std::int32_t t = 0; t < numTo; ++t) {
            for (std::int32_t s = 0; s < numFrom; ++s) {
                if ((matrix.GetFlags(s, t) & FMaskAll) == FMaskAll &&
                    std::fabs(matrix.GetWeight(s, t)) < threshold) {
                    matrix.RemoveArc(s, t);
                    ++report.arcsRemoved;
                }
            }
        }
    }
    TBasicConnections& actions = network.GetConnections(kRuleLayer, kRuleLayer + 1);
    const std::int32_t numActions = network.GetLayer(kRuleLayer + 1)->GetNumNeurons();
    for (std::int32_t r = network.GetLayer(kRuleLayer)->GetNumNeurons(); r-- > 0;) {
        bool feeds = false;
        for (std::int32_t a = 0; a < numActions && !feeds; ++a) {
            feeds = actions.IsValid(r, a);
        }
        if (!feeds && network.GetLayer(kRuleLayer)->GetNumNeurons() > 1) {
            network.RemoveNeuron(kRuleLayer, r);
            ++report.rulesRemoved;
        }
    }
    return report;
}

}  // namespace

TTrainResult Train(TZorf& network, Data& training, Data* validation, const TTrainSettings& settings,
                   const TEpochProgress& progress, const std::atomic<bool>* stop) {
    const auto start = std::chrono::steady_clock::now();
    const std::unique_ptr<TKQstructure> penalty = ParsePenalty(settings.penalty);
    const TRows trainingRows = ReadRows(training, network, "training");
    std::optional<TRows> validationRows;
    if (validation != nullptr) {
        validationRows = ReadRows(*validation, network, "validation");
    }
    const TRows* validating = validationRows ? &*validationRows : nullptr;
    TTrainResult result;
    {
        TTrainPhase phase(network, trainingRows, validating, settings, penalty.get());
        phase.Run(0, settings.epochs, progress, stop, start, result);
        if (settings.pruneBelow <= 0.0 || settings.epochs == 0 || result.interrupted) {
            return result;
        }
        result.pruning = TPruneReport{0, 0, phase.BestError(), 0.0};
    }
    const TPruneReport removed = PruneSmallArcs(network, settings.pruneBelow);
    result.pruning->arcsRemoved = removed.arcsRemoved;
    result.pruning->rulesRemoved = removed.rulesRemoved;
    TTrainPhase fineTuning(network, trainingRows, validating, settings, penalty.get());
    fineTuning.Run(result.history.back().epoch + 1, settings.fineTuneEpochs, progress, stop, start,
                   result);
    result.pruning->errorAfter = fineTuning.BestError();
    return result;
}

std::optional<double> ClassificationAccuracy(TZorf& network, Data& rows) {
    const TRows all = ReadRows(rows, network, "classified");
    if (all.numOutputs < 2) {
        return std::nullopt;
    }
    for (std::int32_t r = 0; r < all.count; ++r) {
        const double* expected = all.Outputs(r);
        std::int32_t ones = 0;
        for (std::int32_t k = 0; k < all.numOutputs; ++k) {
            if (expected[k] != 0.0 && expected[k] != 1.0) {
                return std::nullopt;
            }
            ones += expected[k] == 1.0 ? 1 : 0;
        }
        if (ones != 1) {
            return std::nullopt;
        }
    }
    std::vector<double> generated(static_cast<std::size_t>(all.numOutputs));
    std::int32_t correct = 0;
    const TPackedPropagation packed(network);
    for (std::int32_t r = 0; r < all.count; ++r) {
        network.Propagate(all.Inputs(r), generated.data());
        const double* expected = all.Outputs(r);
        const auto chosen =
            std::max_element(generated.begin(), generated.end()) - generated.begin();
        correct += expected[chosen] == 1.0 ? 1 : 0;
    }
    return static_cast<double>(correct) / all.count;
}
