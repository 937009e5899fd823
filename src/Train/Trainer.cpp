#include "Train/Trainer.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <memory>
#include <random>

#include "KQmessage/NumberText.h"
#include "NeuralNets/TErrorObj.h"
#include "NeuralNets/TPackedPropagation.h"
#include "Train/EpochEvaluator.h"
#include "Train/Optimizer.h"
#include "Train/OptimizerTable.h"
#include "Train/TrainCallbacks.h"
#include "Train/TrainObjective.h"
#include "Zorf/PortableUniform.h"
#include "Zorf/TZorf.h"

namespace {

// Whether every row expects one output 1 and the others 0, of two outputs or more.
bool IsOneHot(const TTrainRows& rows) {
    if (rows.oneHot) {
        return *rows.oneHot;
    }
    if (rows.numOutputs < 2) {
        return false;
    }
    for (std::int32_t r = 0; r < rows.count; ++r) {
        std::int32_t ones = 0;
        for (std::int32_t k = 0; k < rows.numOutputs; ++k) {
            const double value = rows.Outputs(r)[k];
            if (value != 0.0 && value != 1.0) {
                return false;
            }
            ones += value == 1.0 ? 1 : 0;
        }
        if (ones != 1) {
            return false;
        }
    }
    return true;
}

// The rows at the given positions, in that order.
TTrainRows RowsAt(const TTrainRows& rows, std::span<const std::int32_t> positions) {
    TTrainRows picked;
    picked.count = static_cast<std::int32_t>(positions.size());
    picked.numInputs = rows.numInputs;
    picked.numOutputs = rows.numOutputs;
    for (const std::int32_t r : positions) {
        picked.inputs.insert(picked.inputs.end(), rows.Inputs(r), rows.Inputs(r) + rows.numInputs);
        picked.outputs.insert(picked.outputs.end(), rows.Outputs(r),
                              rows.Outputs(r) + rows.numOutputs);
    }
    return picked;
}

// The training rows split into those that train and the share held out to choose the network:
// each class (the expected output that is 1, for one-hot rows; else all rows as one) gives the
// share of its rows, rounded, drawn from the seed; both parts keep the rows' order.
std::pair<TTrainRows, TTrainRows> HoldOut(const TTrainRows& rows, double share,
                                          std::uint32_t seed) {
    const bool oneHot = IsOneHot(rows);
    std::vector<std::vector<std::int32_t>> classes(
        static_cast<std::size_t>(oneHot ? rows.numOutputs : 1));
    for (std::int32_t r = 0; r < rows.count; ++r) {
        const double* expected = rows.Outputs(r);
        const auto label =
            oneHot ? std::find(expected, expected + rows.numOutputs, 1.0) - expected : 0;
        classes[static_cast<std::size_t>(label)].push_back(r);
    }
    std::mt19937 generator(seed);
    std::vector<std::uint8_t> held(static_cast<std::size_t>(rows.count), 0);
    for (std::vector<std::int32_t>& members : classes) {
        for (std::size_t i = members.size(); i-- > 1;) {
            std::swap(members[i], members[generator() % (i + 1)]);
        }
        const auto count =
            static_cast<std::size_t>(std::llround(share * static_cast<double>(members.size())));
        for (std::size_t i = 0; i < count; ++i) {
            held[static_cast<std::size_t>(members[i])] = 1;
        }
    }
    std::vector<std::int32_t> kept;
    std::vector<std::int32_t> out;
    for (std::int32_t r = 0; r < rows.count; ++r) {
        (held[static_cast<std::size_t>(r)] != 0 ? out : kept).push_back(r);
    }
    if (kept.empty() || out.empty()) {
        throw TTrainRefusal("ValidationShare " + std::to_string(share) + " of " +
                            std::to_string(rows.count) +
                            " training rows leaves no rows to train on or none to validate");
    }
    return {RowsAt(rows, kept), RowsAt(rows, out)};
}

// One run of training on one network structure: before pruning, and again after it.
class TTrainPhase {
  public:
    TTrainPhase(TZorf& network, const TTrainRows& trainingRows, const TTrainRows* validationRows,
                const TTrainSettings& trainSettings, TEpochEvaluator* evaluator)
        : net(network),
          training(trainingRows),
          validation(validationRows),
          settings(trainSettings),
          kind(ChosenOptimizer(trainSettings)),
          objective(network, trainingRows, trainSettings, evaluator),
          optimizer(kind.make(
              {trainSettings,
               trainSettings.learningRate.value_or(kind.defaultLearningRate.value_or(0.0)),
               objective.LayerOf(), objective.UnitOf()})),
          validationMeasure(trainSettings.errorMeasure, trainingRows.numOutputs),
          generated(static_cast<std::size_t>(trainingRows.numOutputs)),
          classifies(IsOneHot(validationRows != nullptr ? *validationRows : trainingRows)) {
        for (std::int32_t r = 0; r < training.count; ++r) {
            order.push_back(r);
        }
    }

    // Epochs numbered from firstEpoch; ends with the best network in place.
    void Run(std::int32_t firstEpoch, std::int32_t epochs, const TEpochProgress& progress,
             const std::atomic<bool>* stop, std::chrono::steady_clock::time_point start,
             TTrainResult& result) {
        std::mt19937 shuffler(settings.seed);
        const bool fullBatch =
            kind.wholeBatch || settings.batchSize == 0 || settings.batchSize >= training.count;
        TReportProgress report(progress);
        TKeepBest best(objective.Parameters(), firstEpoch);
        TStopAtTarget target(settings.targetError);
        TStopWithoutProgress patience(
            settings.patience.value_or(validation != nullptr ? kDefaultPatience : 0), best);
        TStopOnRequest request(stop);
        const std::array<TTrainCallback*, 5> callbacks = {&report, &best, &target, &patience,
                                                          &request};
        for (std::int32_t e = 0;; ++e) {
            const bool stepping = e < epochs;
            // Without validation rows the training rows' accuracy comes with their sums.
            const bool counting = classifies && validation == nullptr;
            const double error = objective.Evaluate(order, fullBatch && stepping, counting);
            TEpochRecord record;
            record.epoch = firstEpoch + e;
            record.trainingError = PerRow(error, training);
            if (validation != nullptr) {
                record.validationError = Measure(*validation, record.accuracy);
            } else if (counting) {
                record.accuracy = static_cast<double>(objective.Right()) / training.count;
            }
            record.seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (!Finite(record)) {
                objective.SetParameters(best.Parameters());
                RefuseDiverged(record);
            }
            result.history.push_back(record);
            bool ends = !stepping;
            for (TTrainCallback* callback : callbacks) {
                ends = callback->EpochEnds(record, objective.Parameters()) || ends;
            }
            if (ends) {
                break;
            }
            if (!Steps(fullBatch, error, shuffler, callbacks)) {
                result.interrupted = true;
                break;
            }
        }
        objective.SetParameters(best.Parameters());
        result.bestEpoch = best.Epoch();
        bestError = best.Error();
    }

    double BestError() const { return bestError; }

    // Refuses (TTrainRefusal) a run that would train nothing: epochs to train, but every arc
    // and centre of the layers that train frozen (or none left).
    void RequireTrainable(std::int32_t epochs) {
        if (epochs > 0 && objective.Parameters().empty()) {
            throw TTrainRefusal(
                "Nothing to train: every weight of the layers that train is frozen or pruned");
        }
    }

  private:
    // An error that is not a finite number means the settings made the weights diverge: no
    // later epoch can be compared with it, and reporting it as trained would be false. The
    // run is refused there, the network left at its best epoch measured.
    static bool Finite(const TEpochRecord& record) {
        return std::isfinite(record.trainingError) &&
               (!record.validationError || std::isfinite(*record.validationError));
    }

    [[noreturn]] static void RefuseDiverged(const TEpochRecord& record) {
        const bool training = !std::isfinite(record.trainingError);
        const double error = training ? record.trainingError : *record.validationError;
        std::array<char, NumberText::kGeneralTextSize> text{};
        throw TTrainRefusal(std::string("The ") + (training ? "training" : "validation") +
                            " error of epoch " + std::to_string(record.epoch) + " is " +
                            std::string(NumberText::FormatGeneral(text, error, 6)) +
                            ", not a finite number: the settings make the weights diverge");
    }

    TZorf& net;
    const TTrainRows& training;
    const TTrainRows* validation;
    const TTrainSettings& settings;
    const TOptimizerKind& kind;
    TTrainObjective objective;
    std::unique_ptr<TOptimizer> optimizer;
    TTrainMeasure validationMeasure;
    std::vector<double> generated;
    // The training rows in the order the passes take them; shuffled for every epoch of
    // batches.
    std::vector<std::int32_t> order;
    // The rows that choose the network expect one-hot outputs: epochs carry their accuracy.
    bool classifies;
    double bestError = HUGE_VAL;

    static bool Interrupted(std::span<TTrainCallback* const> callbacks) {
        return std::any_of(callbacks.begin(), callbacks.end(),
                           [](TTrainCallback* callback) { return callback->Interrupts(); });
    }

    // One step from the gradient the last Evaluate summed.
    void Step(double error) {
        optimizer->Step(objective.Parameters(), objective.Gradient(), error);
        objective.ConstrainAndSet();
    }

    // An epoch's steps: one from the gradient of all rows, measured with the epoch's error, or
    // one per batch of the rows shuffled; false when a callback interrupted them.
    bool Steps(bool fullBatch, double error, std::mt19937& shuffler,
               std::span<TTrainCallback* const> callbacks) {
        if (fullBatch) {
            if (Interrupted(callbacks)) {
                return false;
            }
            Step(error);
            return true;
        }
        for (std::size_t i = order.size(); i-- > 1;) {
            std::swap(order[i], order[shuffler() % (i + 1)]);
        }
        const std::size_t size = static_cast<std::size_t>(settings.batchSize);
        for (std::size_t first = 0; first < order.size(); first += size) {
            if (Interrupted(callbacks)) {
                return false;
            }
            const std::size_t count = std::min(size, order.size() - first);
            Step(objective.Evaluate(std::span<const std::int32_t>(order).subspan(first, count),
                                    true));
        }
        return true;
    }

    // The measure's error per row: RMS is one already, cross-entropy sums over the rows.
    double PerRow(double error, const TTrainRows& rows) const {
        return settings.errorMeasure == TTrainErrorMeasure::CrossEntropy ? error / rows.count
                                                                         : error;
    }

    // The rows' error per row, and their accuracy when the run classifies.
    double Measure(const TTrainRows& rows, std::optional<double>& accuracy) {
        TErrorObj& error = validationMeasure.Get();
        error.Reset();
        std::int32_t right = 0;
        {
            const TPackedPropagation packed(net);
            for (std::int32_t r = 0; r < rows.count; ++r) {
                net.Propagate(rows.Inputs(r), generated.data());
                error.AddPattern(rows.Outputs(r), generated.data());
                right += classifies && ClassifiedRight(generated, rows.Outputs(r)) ? 1 : 0;
            }
        }
        if (classifies) {
            accuracy = static_cast<double>(right) / rows.count;
        }
        return PerRow(error.GetError(), rows);
    }
};

// Removes the trainable rule and action arcs whose weight is below the threshold in absolute
// value, then the rules that feed no action any more (keeping one rule at least).
TPruneReport PruneSmallArcs(TZorf& network, double threshold) {
    TPruneReport report;
    for (const std::int32_t from : {TZorf::kRuleWeights, TZorf::kActionWeights}) {
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
    TBasicConnections& actions = network.GetConnections(TZorf::kRuleLayer, TZorf::kActionLayer);
    const std::int32_t numActions = network.GetLayer(TZorf::kActionLayer)->GetNumNeurons();
    for (std::int32_t r = network.GetLayer(TZorf::kRuleLayer)->GetNumNeurons(); r-- > 0;) {
        bool feeds = false;
        for (std::int32_t a = 0; a < numActions && !feeds; ++a) {
            feeds = actions.IsValid(r, a);
        }
        if (!feeds && network.GetLayer(TZorf::kRuleLayer)->GetNumNeurons() > 1) {
            network.RemoveNeuron(TZorf::kRuleLayer, r);
            ++report.rulesRemoved;
        }
    }
    return report;
}

// Every weight layer's weights, in GetWeightLayer's layout.
using TWeightLayers = std::array<std::vector<double>, 4>;

TWeightLayers WeightsOf(TZorf& network) {
    TWeightLayers weights;
    for (std::int32_t layer = 1; layer <= 4; ++layer) {
        weights[static_cast<std::size_t>(layer - 1)] = network.GetWeightLayer(layer);
    }
    return weights;
}

void SetWeights(TZorf& network, const TWeightLayers& weights) {
    for (std::int32_t layer = 1; layer <= 4; ++layer) {
        network.SetWeightLayer(layer, weights[static_cast<std::size_t>(layer - 1)]);
    }
}

// A restart's start: the trainable rule and action weights moved by up to this share of the
// span of their layer's trainable weights, enough to reach another optimum, not so much that
// the start's knowledge is lost.
constexpr double kRestartMove = 0.1;

void MoveForRestart(TZorf& network, const TTrainSettings& settings, std::int32_t run) {
    std::mt19937 generator(settings.seed + static_cast<std::uint32_t>(run));
    for (const std::int32_t layer : {TZorf::kRuleWeights, TZorf::kActionWeights}) {
        if (!settings.trainLayers[static_cast<std::size_t>(layer - 1)]) {
            continue;
        }
        std::vector<double> weights = network.GetWeightLayer(layer);
        const std::vector<std::uint8_t> frozen = network.GetFrozenLayer(layer);
        const auto targets = static_cast<std::size_t>(network.GetLayer(layer + 1)->GetNumNeurons());
        std::vector<std::size_t> moving;
        for (std::size_t i = 0; i < weights.size(); ++i) {
            if (frozen[i] == 0 &&
                network.WeightExists(layer, static_cast<std::int32_t>(i / targets),
                                     static_cast<std::int32_t>(i % targets))) {
                moving.push_back(i);
            }
        }
        double low = HUGE_VAL;
        double high = -HUGE_VAL;
        for (const std::size_t i : moving) {
            low = std::min(low, weights[i]);
            high = std::max(high, weights[i]);
        }
        for (const std::size_t i : moving) {
            weights[i] += (2.0 * PortableUniform(generator) - 1.0) * kRestartMove * (high - low);
        }
        network.SetWeightLayer(layer, weights);
    }
}

// One run from the network as it stands, which ends as the run's best network.
TTrainResult TrainOnce(TZorf& network, const TTrainRows& trainingRows, const TTrainRows* validating,
                       const TTrainSettings& settings, const TEpochProgress& progress,
                       const std::atomic<bool>* stop, std::chrono::steady_clock::time_point start,
                       TEpochEvaluator* evaluator) {
    TTrainResult result;
    TTrainPhase phase(network, trainingRows, validating, settings, evaluator);
    phase.RequireTrainable(settings.epochs);
    phase.Run(0, settings.epochs, progress, stop, start, result);
    return result;
}

// The runs the settings ask for; the network ends as the best run's best network, the result
// is that run's with every run's best epoch.
TTrainResult TrainRuns(TZorf& network, const TTrainRows& trainingRows, const TTrainRows* validating,
                       const TTrainSettings& settings, const TEpochProgress& progress,
                       const std::atomic<bool>* stop, std::chrono::steady_clock::time_point start,
                       TEpochEvaluator* evaluator) {
    const bool restarts = settings.restarts > 1 && settings.epochs > 0;
    const TWeightLayers startWeights = restarts ? WeightsOf(network) : TWeightLayers{};
    TTrainResult kept =
        TrainOnce(network, trainingRows, validating, settings, progress, stop, start, evaluator);
    std::vector<TEpochRecord> runBests = {kept.Best()};
    if (!restarts) {
        kept.runBests = std::move(runBests);
        return kept;
    }
    TWeightLayers keptWeights = WeightsOf(network);
    bool interrupted = kept.interrupted;
    for (std::int32_t run = 1; run < settings.restarts && !interrupted; ++run) {
        SetWeights(network, startWeights);
        MoveForRestart(network, settings, run);
        TTrainResult candidate;
        try {
            candidate = TrainOnce(network, trainingRows, validating, settings, progress, stop,
                                  start, evaluator);
        } catch (...) {
            // A run refused on the way (weights that diverged) leaves the best run so far.
            SetWeights(network, keptWeights);
            throw;
        }
        runBests.push_back(candidate.Best());
        interrupted = candidate.interrupted;
        if (Outranks(candidate.Best(), kept.Best())) {
            kept = std::move(candidate);
            kept.keptRun = run;
            keptWeights = WeightsOf(network);
        }
    }
    SetWeights(network, keptWeights);
    kept.runBests = std::move(runBests);
    kept.interrupted = interrupted;
    return kept;
}

// The run over rows read (or, with `evaluator`, summed elsewhere).
TTrainResult TrainRows(TZorf& network, const TTrainRows& trainingRows, const TTrainRows* validating,
                       const TTrainSettings& settings, const TEpochProgress& progress,
                       const std::atomic<bool>* stop, std::chrono::steady_clock::time_point start,
                       TEpochEvaluator* evaluator) {
    TTrainResult result =
        TrainRuns(network, trainingRows, validating, settings, progress, stop, start, evaluator);
    if (settings.pruneBelow <= 0.0 || settings.epochs == 0 || result.interrupted) {
        return result;
    }
    result.pruning = TPruneReport{0, 0, SelectionError(result.Best()), 0.0};
    const TPruneReport removed = PruneSmallArcs(network, settings.pruneBelow);
    result.pruning->arcsRemoved = removed.arcsRemoved;
    result.pruning->rulesRemoved = removed.rulesRemoved;
    TTrainPhase fineTuning(network, trainingRows, validating, settings, evaluator);
    fineTuning.Run(result.history.back().epoch + 1, settings.fineTuneEpochs, progress, stop, start,
                   result);
    result.pruning->errorAfter = fineTuning.BestError();
    return result;
}

}  // namespace

TTrainResult Train(TZorf& network, Data& training, Data* validation, const TTrainSettings& settings,
                   const TEpochProgress& progress, const std::atomic<bool>* stop) {
    const auto start = std::chrono::steady_clock::now();
    ChosenOptimizer(settings);
    TTrainRows trainingRows = ReadTrainRows(training, network, "training");
    std::optional<TTrainRows> validationRows;
    if (validation != nullptr) {
        validationRows = ReadTrainRows(*validation, network, "validation");
    } else if (settings.validationShare > 0.0) {
        auto [kept, heldOut] = HoldOut(trainingRows, settings.validationShare, settings.seed);
        trainingRows = std::move(kept);
        validationRows = std::move(heldOut);
    }
    return TrainRows(network, trainingRows, validationRows ? &*validationRows : nullptr, settings,
                     progress, stop, start, nullptr);
}

TTrainResult Train(TZorf& network, std::int32_t trainingRows, bool oneHot, Data* validation,
                   const TTrainSettings& settings, TEpochEvaluator& evaluator,
                   const TEpochProgress& progress, const std::atomic<bool>* stop) {
    const auto start = std::chrono::steady_clock::now();
    const TOptimizerKind& kind = ChosenOptimizer(settings);
    if (!kind.wholeBatch && settings.batchSize != 0 && settings.batchSize < trainingRows) {
        throw TTrainSettingError(
            "BatchSize must be 0 (all rows in one step) where each epoch's sums come from "
            "elsewhere, not " +
            std::to_string(settings.batchSize));
    }
    if (settings.validationShare > 0.0) {
        throw TTrainSettingError(
            "ValidationShare must be 0 where each epoch's sums come from elsewhere: give the "
            "validation rows instead");
    }
    if (trainingRows <= 0) {
        throw TTrainRefusal("The training set has no rows");
    }
    const TZorfArchitecture architecture = network.GetArchitecture();
    TTrainRows counted;
    counted.count = trainingRows;
    counted.numInputs = architecture.numInputs;
    counted.numOutputs = architecture.numOutputs;
    counted.oneHot = oneHot;
    std::optional<TTrainRows> validationRows;
    if (validation != nullptr) {
        validationRows = ReadTrainRows(*validation, network, "validation");
    }
    return TrainRows(network, counted, validationRows ? &*validationRows : nullptr, settings,
                     progress, stop, start, &evaluator);
}

std::optional<double> ClassificationAccuracy(TZorf& network, Data& rows) {
    const TTrainRows all = ReadTrainRows(rows, network, "classified");
    if (!IsOneHot(all)) {
        return std::nullopt;
    }
    std::vector<double> generated(static_cast<std::size_t>(all.numOutputs));
    std::int32_t correct = 0;
    const TPackedPropagation packed(network);
    for (std::int32_t r = 0; r < all.count; ++r) {
        network.Propagate(all.Inputs(r), generated.data());
        correct += ClassifiedRight(generated, all.Outputs(r)) ? 1 : 0;
    }
    return static_cast<double>(correct) / all.count;
}
