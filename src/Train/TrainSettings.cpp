#include "Train/TrainSettings.h"

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "KQmessage/Check.h"
#include "KQmessage/KQML.h"
#include "KQmessage/NumberText.h"
#include "KQmessage/StrCaseCmp.h"
#include "KQmessage/TArgumentError.h"
#include "KQmessage/WholeNumber.h"
#include "NeuralNets/TErrorObj.h"
#include "Train/OptimizerTable.h"
#include "Zorf/TZorf.h"

namespace {

constexpr double kMaxPenaltyCoefficient = 1e6;

constexpr std::int32_t kMaxEpochs = 100000000;
constexpr std::int32_t kMaxRestarts = 1000;

using Arguments::Quoted;

[[noreturn]] void Refuse(std::string_view keyword, const std::string& need,
                         std::string_view value) {
    throw TTrainSettingError(std::string(keyword) + " must be " + need + ", not " + Quoted(value));
}

double RealIn(std::string_view keyword, std::string_view value, double low, double high,
              const std::string& need) {
    const std::optional<double> number = WholeNumber::Real(value);
    if (!number || !(*number >= low && *number <= high)) {
        Refuse(keyword, need, value);
    }
    return *number;
}

std::int32_t CountIn(std::string_view keyword, std::string_view value, std::int32_t high,
                     const std::string& need) {
    const std::optional<std::int32_t> number = WholeNumber::Count(value);
    if (!number || *number > high) {
        Refuse(keyword, need, value);
    }
    return *number;
}

bool Is(std::string_view text, std::string_view name) {
    return KQML::strcasecmp(text, name) == 0;
}

// The penalty text must parse, name a penalty the error measures know, and give every key
// they read a number; a key they do not read is a misspelling.
TPenalty ReadPenalty(std::string_view keyword, std::string_view value) {
    const std::string text(value);
    if (text.empty()) {
        Refuse(keyword, "a penalty such as (LWF :LEARNINGRATE 0.01 :FORGETTINGRATE 0.1)", value);
    }
    const char* cursor = text.c_str();
    std::unique_ptr<TKQstructure> penalty;
    try {
        penalty = TKQstructure::ParseText(cursor);
    } catch (const TCheckFailure&) {
        // The parser refuses a malformed or too deeply nested text this way; the setting
        // refuses it below, so the caller sees a TTrainSettingError like any other.
    }
    const std::string need =
        "a penalty such as (QUADPENALTY :EPSILON1 0.0001 :BETA 10) or (LWF :LEARNINGRATE 0.01 "
        ":FORGETTINGRATE 0.1)";
    if (!penalty || text.front() != '(') {
        Refuse(keyword, need, value);
    }
    const std::optional<std::vector<std::string_view>> keys = TPenalty::KeysOf(penalty->Head());
    if (!keys) {
        Refuse(keyword, need, value);
    }
    for (std::int32_t i = 0; i < penalty->Count(); ++i) {
        const TKQstructure::Pair& pair = penalty->PairAt(i);
        bool known = false;
        for (const std::string_view key : *keys) {
            known = known || Is(pair.key, key);
        }
        const std::optional<double> number =
            pair.value->IsAtom() ? WholeNumber::Real(pair.value->Head()) : std::nullopt;
        if (!known || !number || !std::isfinite(*number)) {
            Refuse(keyword, need + " (key " + pair.key + ")", value);
        }
        // Beyond these the penalty swamps the error or turns it into inf or NaN: every epoch
        // would report a number that means nothing.
        const bool divisor = Is(pair.key, "BETA");
        if (*number < 0.0 || *number > kMaxPenaltyCoefficient || (divisor && *number == 0.0)) {
            Refuse(keyword,
                   "a penalty whose " + pair.key + (divisor ? " is above 0" : " is from 0") +
                       " and at most 1000000",
                   value);
        }
    }
    return TPenalty(penalty.get());
}

std::array<bool, 4> ParseLayers(std::string_view keyword, std::string_view value) {
    std::array<bool, 4> layers{false, false, false, false};
    const std::string need = "weight layers from 1 to 4 separated by blanks or commas";
    bool any = false;
    std::size_t pos = 0;
    while (pos < value.size()) {
        const std::size_t end = value.find_first_of(" \t,", pos);
        const std::string_view item =
            value.substr(pos, end == std::string_view::npos ? value.size() - pos : end - pos);
        pos = end == std::string_view::npos ? value.size() : end + 1;
        if (item.empty()) {
            continue;
        }
        const std::optional<std::int32_t> layer = WeightLayerNumber(item);
        if (!layer) {
            Refuse(keyword, need, value);
        }
        layers[static_cast<std::size_t>(*layer - TZorf::kConditionCentres)] = true;
        any = true;
    }
    if (!any) {
        Refuse(keyword, need, value);
    }
    return layers;
}

// The optimizers' names as a list in words, "RPROP, Backprop or Adam", of those `where` holds
// for; `glossed` adds each one's gloss in parentheses.
std::string OptimizerNames(bool (*where)(const TOptimizerKind&), bool glossed,
                           const char* conjunction) {
    std::vector<std::string> names;
    for (const TOptimizerKind& kind : Optimizers()) {
        if (where(kind)) {
            const std::string gloss = kind.gloss;
            names.push_back(kind.name + (glossed && !gloss.empty() ? " (" + gloss + ")" : ""));
        }
    }
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            text += i + 1 == names.size() ? std::string(" ") + conjunction + " " : ", ";
        }
        text += names[i];
    }
    return text;
}

bool Any(const TOptimizerKind&) {
    return true;
}

bool TakesLearningRate(const TOptimizerKind& kind) {
    return kind.defaultLearningRate.has_value();
}

bool TakesBatches(const TOptimizerKind& kind) {
    return !kind.wholeBatch;
}

// The first optimizer's rate, then those of the others that differ: "0.1 (Adam 0.01)".
std::string DefaultLearningRates() {
    const auto format = [](double rate) {
        std::array<char, NumberText::kGeneralTextSize> text{};
        return std::string(NumberText::FormatGeneral(text, rate, 6));
    };
    std::optional<double> first;
    std::string others;
    for (const TOptimizerKind& kind : Optimizers()) {
        if (!kind.defaultLearningRate) {
            continue;
        }
        if (!first) {
            first = kind.defaultLearningRate;
        } else if (*kind.defaultLearningRate != *first) {
            others += (others.empty() ? "" : ", ") + std::string(kind.name) + " " +
                      format(*kind.defaultLearningRate);
        }
    }
    return format(first.value_or(0.0)) + (others.empty() ? "" : " (" + others + ")");
}

struct TSettingEntry {
    TTrainSettingInfo info;
    std::function<void(TTrainSettings&, std::string_view, std::string_view)> set;
};

const std::vector<TSettingEntry>& Entries() {
    static const std::vector<TSettingEntry> entries = {
        {{"Epochs", "1000", "passes over the training rows; 0 only measures the network"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             s.epochs = CountIn(k, v, kMaxEpochs, "a whole number from 0 to 100000000");
         }},
        {{"Algorithm", TTrainSettings().algorithm, OptimizerNames(Any, true, "or")},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             const TOptimizerKind* kind = FindOptimizer(v);
             if (kind == nullptr) {
                 Refuse(k, OptimizerNames(Any, false, "or"), v);
             }
             s.algorithm = kind->name;
         }},
        {{"LearningRate", DefaultLearningRates(),
          "step size of " + OptimizerNames(TakesLearningRate, false, "and")},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             const double rate = RealIn(k, v, 0.0, 1e6, "a number above 0, at most 1000000");
             if (rate <= 0.0) {
                 Refuse(k, "a number above 0, at most 1000000", v);
             }
             s.learningRate = rate;
         }},
        {{"Momentum", "0.9", "Backprop: share of the last step added to the next, 0 to below 1"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             s.momentum = RealIn(k, v, 0.0, 1.0, "a number from 0 to below 1");
             if (s.momentum >= 1.0) {
                 Refuse(k, "a number from 0 to below 1", v);
             }
         }},
        {{"BatchSize", "0",
          OptimizerNames(TakesBatches, false, "and") +
              ": rows per step, shuffled each epoch; 0 = all"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             s.batchSize = CountIn(k, v, 2147483647, "a whole number, 0 or more");
         }},
        {{"ErrorMeasure", "RMS", "RMS or CrossEntropy"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             if (Is(v, "RMS")) {
                 s.errorMeasure = TTrainErrorMeasure::Rms;
             } else if (Is(v, "CrossEntropy")) {
                 s.errorMeasure = TTrainErrorMeasure::CrossEntropy;
             } else {
                 Refuse(k, "RMS or CrossEntropy", v);
             }
         }},
        {{"Penalty", "none",
          "weight penalty on the rule and action weights, as (QUADPENALTY :EPSILON1 e1 "
          ":EPSILON2 e2 :BETA b) or (LWF :LEARNINGRATE l :FORGETTINGRATE f)"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             s.penalty = Is(v, "none") ? TPenalty() : ReadPenalty(k, v);
         }},
        {{"TargetError", "0",
          "stop once the error that picks the best network (per row) is this low"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             s.targetError = RealIn(k, v, 0.0, 1e300, "a number, 0 or more");
         }},
        {{"Patience", "100 with validation rows, else 0",
          "stop after this many epochs without a better network; 0 = never"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             s.patience = CountIn(k, v, kMaxEpochs, "a whole number from 0 to 100000000");
         }},
        {{"ValidationShare", "0",
          "without a ValidationFile, the share of the training rows held out to choose the "
          "network (drawn from Seed, by class for one-hot outputs), 0 to 0.9"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             s.validationShare = RealIn(k, v, 0.0, 0.9, "a number from 0 to 0.9");
         }},
        {{"Restarts", "1",
          "runs of the training, each after the first from the start network's rule and action "
          "weights moved at random (from Seed); the best run is kept, 1 to 1000"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             const std::int32_t runs = CountIn(k, v, kMaxRestarts, "a whole number from 1 to 1000");
             if (runs == 0) {
                 Refuse(k, "a whole number from 1 to 1000", v);
             }
             s.restarts = runs;
         }},
        {{"Seed", "1", "start of the row shuffling and of the held-out rows, 0 to 4294967295"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             const double seed = RealIn(k, v, 0.0, 4294967295.0,
                                        "a whole number from 0 to "
                                        "4294967295");
             if (std::floor(seed) != seed ||
                 v.find_first_not_of("0123456789") != std::string_view::npos) {
                 Refuse(k, "a whole number from 0 to 4294967295", v);
             }
             s.seed = static_cast<std::uint32_t>(seed);
         }},
        {{"PruneBelow", "0",
          "after training remove rule and action arcs whose weight is below this in absolute "
          "value, then rules without outgoing arcs, and fine-tune; 0 = no pruning"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             s.pruneBelow = RealIn(k, v, 0.0, 1e300, "a number, 0 or more");
         }},
        {{"FineTuneEpochs", "100", "epochs of training after pruning"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             s.fineTuneEpochs = CountIn(k, v, kMaxEpochs, "a whole number from 0 to 100000000");
         }},
        {{"TrainLayers", "1 2 3 4",
          "the weight layers that train: 1 input centres, 2 rule weights, 3 action weights, 4 "
          "output centres"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             s.trainLayers = ParseLayers(k, v);
         }},
        {{"InitialStep", "0.05",
          "RPROP: first step of the rule and action weights (centres a "
          "tenth)"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             s.initialStep = RealIn(k, v, 1e-12, 1e6, "a number above 0");
         }},
        {{"MaxStep", "5", "RPROP: largest step of the rule and action weights (centres a tenth)"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             s.maxStep = RealIn(k, v, 1e-12, 1e6, "a number above 0");
         }},
        {{"MinCentreGap", "0.01",
          "smallest distance kept between neighbouring input centres, as a share of the span of "
          "the input's centres where they lie outside [0, 1]"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             s.minCentreGap = RealIn(k, v, 0.0, 1.0, "a number from 0 to 1");
         }},
        {{"Threads", "0",
          "threads that sum each epoch's gradient (0 takes every core); the trained network "
          "is the same for any number"},
         [](TTrainSettings& s, std::string_view k, std::string_view v) {
             s.threads = CountIn(k, v, 2147483647, "a whole number, 0 or more");
         }},
    };
    return entries;
}

const TSettingEntry* Find(std::string_view keyword) {
    for (const TSettingEntry& entry : Entries()) {
        if (Is(keyword, entry.info.keyword)) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

void SetTrainSetting(TTrainSettings& settings, std::string_view keyword, std::string_view value) {
    const TSettingEntry* entry = Find(keyword);
    if (entry == nullptr) {
        throw TTrainSettingError("Unknown training setting " + Quoted(keyword));
    }
    TTrainSettings changed = settings;
    entry->set(changed, entry->info.keyword, value);
    settings = std::move(changed);
}

bool IsTrainSetting(std::string_view keyword) {
    return Find(keyword) != nullptr;
}

std::optional<std::int32_t> WeightLayerNumber(std::string_view text) {
    const std::optional<std::int32_t> layer = WholeNumber::Count(text);
    if (!layer || *layer < TZorf::kConditionCentres || *layer > TZorf::kOutputCentres) {
        return std::nullopt;
    }
    return layer;
}

const TOptimizerKind& ChosenOptimizer(const TTrainSettings& settings) {
    const TOptimizerKind* kind = FindOptimizer(settings.algorithm);
    if (kind == nullptr) {
        Refuse("Algorithm", OptimizerNames(Any, false, "or"), settings.algorithm);
    }
    return *kind;
}

std::span<const TTrainSettingInfo> TrainSettingKeywords() {
    static const std::vector<TTrainSettingInfo> infos = [] {
        std::vector<TTrainSettingInfo> list;
        for (const TSettingEntry& entry : Entries()) {
            list.push_back(entry.info);
        }
        return list;
    }();
    return infos;
}
