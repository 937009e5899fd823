#include "Train/TZorfGradient.h"

#include <algorithm>
#include <string>
#include <typeinfo>

#include "NeuralNets/ActFunctions.h"
#include "NeuralNets/TGridConnections.h"
#include "Train/Trainer.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TToConditionConnections.h"
#include "Zorf/TToOutputConnections.h"
#include "Zorf/TZorf.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

[[noreturn]] void Refuse(const std::string& problem) {
    throw TTrainRefusal("Network cannot be trained: " + problem);
}

bool Exists(std::uint8_t flags) {
    return (flags & FMaskExists) != 0;
}

bool Trainable(std::uint8_t flags) {
    return (flags & FMaskAll) == FMaskAll;
}

// The backward pass's inner loops: one row of weights at a time, both sums of a source in one
// sweep, vectorized where the processor allows it. Each sum adds in source order.
__attribute__((target_clones("avx2", "default"))) void AddScaledPair(
    double scale, const double* values, double* valueSums, const double* weights,
    double* weightSums, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        valueSums[i] += scale * values[i];
        weightSums[i] += scale * weights[i];
    }
}

__attribute__((target_clones("avx2", "default"))) void AddScaled(double scale, const double* values,
                                                                 double* sums, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        sums[i] += scale * values[i];
    }
}

// Adds a row of weights' derivatives (by each source's value) and its sources' derivatives
// (by each weight), as far as either is wanted.
void AddRowDerivatives(double delta, const double* sourceValues, double* weightGradient,
                       const double* weights, double* sourceGradient, std::int32_t count) {
    if (weightGradient != nullptr && sourceGradient != nullptr) {
        AddScaledPair(delta, sourceValues, weightGradient, weights, sourceGradient, count);
    } else if (weightGradient != nullptr) {
        AddScaled(delta, sourceValues, weightGradient, count);
    } else if (sourceGradient != nullptr) {
        AddScaled(delta, weights, sourceGradient, count);
    }
}

}  // namespace

TZorfGradient::TZorfGradient(TZorf& network, const std::array<bool, 4>& trainLayers)
    : net(network), trains(trainLayers) {
    RequireTrainableShape();
    const TZorfArchitecture architecture = net.GetArchitecture();
    numInputs = architecture.numInputs;
    numConditions = architecture.numConditions;
    numRules = architecture.numRules;
    numActions = architecture.numActions;
    numOutputs = architecture.numOutputs;
    const TConditionLayer& conditions = *net.GetConditionLayer();
    inputOf.assign(conditions.GetInputOf().begin(), conditions.GetInputOf().end());
    for (std::int32_t j = 0; j < numConditions; ++j) {
        hasLeft.push_back(conditions.Node(j).left != nullptr ? 1 : 0);
        hasRight.push_back(conditions.Node(j).right != nullptr ? 1 : 0);
    }
    const TZorfOutputLayer& outputs = *net.GetDefuzzifyLayer();
    outputOf.assign(outputs.GetOutputOf().begin(), outputs.GetOutputOf().end());
    for (std::int32_t k = 0; k <= numOutputs; ++k) {
        outputFirst.push_back(k < numOutputs ? outputs.GetMFGroups().First(k) : numActions);
    }
    CollectParameters();
    dense.assign(OutputBase() + static_cast<std::size_t>(numActions), 0.0);
    byDegree.assign(static_cast<std::size_t>(numConditions), 0.0);
    byRule.assign(static_cast<std::size_t>(numRules), 0.0);
    byAction.assign(static_cast<std::size_t>(numActions), 0.0);
}

bool TZorfGradient::Trains(std::int32_t weightLayer) const {
    return trains[static_cast<std::size_t>(weightLayer - TZorf::kConditionCentres)];
}

void TZorfGradient::RequireTrainableShape() const {
    if (net.GetNumLayers() != TZorf::kNumLayers || net.GetInLayer() != TZorf::kInputLayer ||
        net.GetOutLayer() != TZorf::kOutputLayer) {
        Refuse("it does not have the six layers of a fuzzy network");
    }
    TConditionLayer* conditions = net.GetConditionLayer();
    TZorfOutputLayer* outputs = net.GetDefuzzifyLayer();
    if (conditions == nullptr || !conditions->HasMFs() ||
        conditions->GetNumInputs() != net.GetLayer(TZorf::kInputLayer)->GetNumNeurons()) {
        Refuse("layer 2 is not a condition layer over every input");
    }
    if (outputs == nullptr || !outputs->HasMFs() ||
        outputs->GetNumMFs() != net.GetLayer(TZorf::kActionLayer)->GetNumNeurons()) {
        Refuse("layer 5 is not a defuzzifying layer over the action layer");
    }
    for (std::int32_t j = 0; j < conditions->GetNumNeurons(); ++j) {
        if (conditions->Node(j).actFunction != ActFunctions::ZorfCondition) {
            Refuse("condition node " + std::to_string(j) + " is not a membership function");
        }
    }
    for (const std::int32_t layer : {TZorf::kRuleLayer, TZorf::kActionLayer}) {
        TBasicLayer& nodes = *net.GetLayer(layer);
        for (std::int32_t i = 0; i < nodes.GetNumNeurons(); ++i) {
            if (nodes.GetNeuron(i)->actFunction != ActFunctions::Sigmoid) {
                Refuse("neuron " + std::to_string(i) + " of layer " + std::to_string(layer) +
                       " does not compute \"sigmoid\"");
            }
        }
    }
    for (std::int32_t to = 0; to < TZorf::kNumLayers; ++to) {
        for (std::int32_t from = 0; from < TZorf::kNumLayers; ++from) {
            TBasicConnections& matrix = net.GetConnections(from, to);
            const bool weightLayer = to == from + 1 && from >= TZorf::kInputLayer;
            if (matrix.IsConnected() != weightLayer) {
                Refuse("layers " + std::to_string(from) + " and " + std::to_string(to) +
                       (weightLayer ? " are not connected" : " are connected"));
            }
        }
    }
    const TBasicConnections& centreMatrix =
        net.GetConnections(TZorf::kInputLayer, TZorf::kConditionLayer);
    const TBasicConnections& outputMatrix =
        net.GetConnections(TZorf::kActionLayer, TZorf::kOutputLayer);
    if (typeid(centreMatrix) != typeid(TToConditionConnections) ||
        dynamic_cast<TGridConnections*>(
            &net.GetConnections(TZorf::kConditionLayer, TZorf::kRuleLayer)) == nullptr ||
        dynamic_cast<TGridConnections*>(
            &net.GetConnections(TZorf::kRuleLayer, TZorf::kActionLayer)) == nullptr ||
        typeid(outputMatrix) != typeid(TToOutputConnections)) {
        Refuse("a weight layer is not held by the matrix kind of a fuzzy network");
    }
}

// Networks over [0, 1] keep the unit 1, and with it the steps and gaps they always had.
void TZorfGradient::MeasureCentreUnits() {
    centreUnit.assign(inputCentres.size(), 1.0);
    for (std::size_t first = 0; first < inputCentres.size();) {
        std::size_t last = first;
        while (last + 1 < inputCentres.size() && hasLeft[last + 1] != 0) {
            ++last;
        }
        const double low = inputCentres[first];
        const double high = inputCentres[last];
        if ((low < 0.0 || high > 1.0) && high > low) {
            std::fill(centreUnit.begin() + static_cast<std::ptrdiff_t>(first),
                      centreUnit.begin() + static_cast<std::ptrdiff_t>(last) + 1, high - low);
        }
        first = last + 1;
    }
}

void TZorfGradient::CollectParameters() {
    TConditionLayer& conditions = *net.GetConditionLayer();
    TBasicConnections& centres = net.GetConnections(TZorf::kInputLayer, TZorf::kConditionLayer);
    for (std::int32_t j = 0; j < numConditions; ++j) {
        inputCentres.push_back(conditions.Node(j).centre);
    }
    MeasureCentreUnits();
    for (std::int32_t j = 0; j < numConditions; ++j) {
        const std::int32_t input = inputOf[static_cast<std::size_t>(j)];
        if (Trains(TZorf::kConditionCentres) && conditions.Node(j).trainable != 0 &&
            Trainable(centres.GetFlags(input, j))) {
            targets.push_back(&centres.GetWeight(input, j));
            denseIndex.push_back(static_cast<std::size_t>(j));
            layerOf.push_back(TZorf::kConditionCentres);
            unitOf.push_back(centreUnit[static_cast<std::size_t>(j)]);
        }
    }
    // A weight layer is named by the layer its arcs come from.
    const auto collectGrid = [this](std::int32_t weightLayer, std::int32_t numFrom,
                                    std::int32_t numTo, std::size_t base,
                                    std::vector<double>& masked) {
        const bool train = Trains(weightLayer);
        const auto layer = static_cast<std::uint8_t>(weightLayer);
        TBasicConnections& matrix = net.GetConnections(weightLayer, weightLayer + 1);
        for (std::int32_t t = 0; t < numTo; ++t) {
            for (std::int32_t s = 0; s < numFrom; ++s) {
                const std::uint8_t flags = matrix.GetFlags(s, t);
                double& weight = matrix.GetWeight(s, t);
                masked.push_back(Exists(flags) ? weight : 0.0);
                if (train && Trainable(flags)) {
                    targets.push_back(&weight);
                    denseIndex.push_back(base + static_cast<std::size_t>(t) * numFrom + s);
                    layerOf.push_back(layer);
                    unitOf.push_back(1.0);
                }
            }
        }
    };
    collectGrid(TZorf::kRuleWeights, numConditions, numRules, RuleBase(), ruleWeights);
    collectGrid(TZorf::kActionWeights, numRules, numActions, ActionBase(), actionWeights);
    TBasicConnections& output = net.GetConnections(TZorf::kActionLayer, TZorf::kOutputLayer);
    for (std::int32_t a = 0; a < numActions; ++a) {
        const std::int32_t k = outputOf[static_cast<std::size_t>(a)];
        double& centre = output.GetWeight(a, k);
        outputCentres.push_back(centre);
        if (Trains(TZorf::kOutputCentres) && Trainable(output.GetFlags(a, k))) {
            targets.push_back(&centre);
            denseIndex.push_back(OutputBase() + static_cast<std::size_t>(a));
            layerOf.push_back(TZorf::kOutputCentres);
            unitOf.push_back(1.0);
        }
    }
}

std::vector<double> TZorfGradient::Parameters() const {
    std::vector<double> values;
    values.reserve(targets.size());
    for (const double* target : targets) {
        values.push_back(*target);
    }
    return values;
}

void TZorfGradient::SetParameters(std::span<const double> parameters) {
    for (std::size_t p = 0; p < targets.size(); ++p) {
        *targets[p] = parameters[p];
        const std::size_t d = denseIndex[p];
        if (d < RuleBase()) {
            inputCentres[d] = parameters[p];
        } else if (d < ActionBase()) {
            ruleWeights[d - RuleBase()] = parameters[p];
        } else if (d < OutputBase()) {
            actionWeights[d - ActionBase()] = parameters[p];
        } else {
            outputCentres[d - OutputBase()] = parameters[p];
        }
    }
}

void TZorfGradient::AddRowGradient(std::span<const double> outputGradient) {
    const double* inputs = net.GetLayer(TZorf::kInputLayer)->GetValues();
    const double* degrees = net.GetLayer(TZorf::kConditionLayer)->GetValues();
    const double* rules = net.GetLayer(TZorf::kRuleLayer)->GetValues();
    const double* actions = net.GetLayer(TZorf::kActionLayer)->GetValues();
    const double* outputs = net.GetLayer(TZorf::kOutputLayer)->GetValues();
    // Centre of gravity: y = sum(v c) / sum(v), so dy/dv = (c - y) / sum(v), dy/dc = v / sum(v).
    for (std::int32_t k = 0; k < numOutputs; ++k) {
        const std::int32_t first = outputFirst[static_cast<std::size_t>(k)];
        const std::int32_t last = outputFirst[static_cast<std::size_t>(k) + 1];
        double numerator = 0.0;
        double denominator = 0.0;
        for (std::int32_t a = first; a < last; ++a) {
            numerator += actions[a] * outputCentres[static_cast<std::size_t>(a)];
            denominator += actions[a];
        }
        const bool defined = numerator != 0.0 && denominator != 0.0;
        const double g = defined ? outputGradient[static_cast<std::size_t>(k)] / denominator : 0.0;
        for (std::int32_t a = first; a < last; ++a) {
            const double v = actions[a];
            byAction[static_cast<std::size_t>(a)] =
                g * (outputCentres[static_cast<std::size_t>(a)] - outputs[k]) * (v * (1.0 - v));
            if (Trains(TZorf::kOutputCentres)) {
                dense[OutputBase() + static_cast<std::size_t>(a)] += g * v;
            }
        }
    }
    const bool wantRules = Trains(TZorf::kConditionCentres) || Trains(TZorf::kRuleWeights);
    if (!Trains(TZorf::kActionWeights) && !wantRules) {
        return;
    }
    if (wantRules) {
        std::fill(byRule.begin(), byRule.end(), 0.0);
    }
    for (std::int32_t a = 0; a < numActions; ++a) {
        const double delta = byAction[static_cast<std::size_t>(a)];
        if (delta == 0.0) {
            continue;
        }
        const std::size_t row = static_cast<std::size_t>(a) * numRules;
        AddRowDerivatives(delta, rules,
                          Trains(TZorf::kActionWeights) ? &dense[ActionBase() + row] : nullptr,
                          &actionWeights[row], wantRules ? byRule.data() : nullptr, numRules);
    }
    if (!wantRules) {
        return;
    }
    if (Trains(TZorf::kConditionCentres)) {
        std::fill(byDegree.begin(), byDegree.end(), 0.0);
    }
    for (std::int32_t r = 0; r < numRules; ++r) {
        const double value = rules[r];
        const double delta = byRule[static_cast<std::size_t>(r)] * (value * (1.0 - value));
        if (delta == 0.0) {
            continue;
        }
        const std::size_t row = static_cast<std::size_t>(r) * numConditions;
        AddRowDerivatives(
            delta, degrees, Trains(TZorf::kRuleWeights) ? &dense[RuleBase() + row] : nullptr,
            &ruleWeights[row], Trains(TZorf::kConditionCentres) ? byDegree.data() : nullptr,
            numConditions);
    }
    if (Trains(TZorf::kConditionCentres)) {
        AddCentreGradient(inputs, degrees);
    }
}

// The degree's segments as the membership function chooses them: rising towards the right
// neighbour's centre r, 1 - (x - c) / (r - c); falling from the left one's l,
// 1 - (c - x) / (c - l); flat outside.
void TZorfGradient::AddCentreGradient(const double* inputs, const double*) {
    for (std::int32_t j = 0; j < numConditions; ++j) {
        const std::size_t u = static_cast<std::size_t>(j);
        const double d = byDegree[u];
        if (d == 0.0) {
            continue;
        }
        const double x = inputs[inputOf[u]];
        const double c = inputCentres[u];
        if ((hasLeft[u] == 0 && x <= c) || (hasRight[u] == 0 && x >= c)) {
            continue;
        }
        if (hasRight[u] != 0 && x >= c && x < inputCentres[u + 1]) {
            const double r = inputCentres[u + 1];
            const double width = r - c;
            dense[u] += d * ((r - x) / (width * width));
            dense[u + 1] += d * ((x - c) / (width * width));
        } else if (hasLeft[u] != 0 && x <= c && x > inputCentres[u - 1]) {
            const double l = inputCentres[u - 1];
            const double width = c - l;
            dense[u] -= d * ((x - l) / (width * width));
            dense[u - 1] -= d * ((c - x) / (width * width));
        }
    }
}

void TZorfGradient::CollectGradient(std::span<double> gradient) {
    for (std::size_t p = 0; p < gradient.size(); ++p) {
        gradient[p] += dense[denseIndex[p]];
    }
    std::fill(dense.begin(), dense.end(), 0.0);
}

void TZorfGradient::TakeGradient(std::span<double> gradient) {
    for (std::size_t p = 0; p < gradient.size(); ++p) {
        gradient[p] = dense[denseIndex[p]];
    }
    std::fill(dense.begin(), dense.end(), 0.0);
}

void TZorfGradient::Constrain(std::span<double> parameters, double gap) const {
    std::vector<double> centres = inputCentres;
    std::vector<std::int32_t> parameterOf(centres.size(), -1);
    for (std::size_t p = 0; p < targets.size(); ++p) {
        const std::size_t d = denseIndex[p];
        if (d < RuleBase()) {
            centres[d] = parameters[p];
            parameterOf[d] = static_cast<std::int32_t>(p);
        } else if (d >= OutputBase()) {
            parameters[p] = std::clamp(parameters[p], 0.0, 1.0);
        }
    }
    // Pushing right from the left and then left from the right leaves every trainable centre
    // at least `gap` above its left neighbour and below its right one.
    for (std::size_t j = 1; j < centres.size(); ++j) {
        const double apart = gap * centreUnit[j];
        if (hasLeft[j] != 0 && parameterOf[j] >= 0 && centres[j] < centres[j - 1] + apart) {
            centres[j] = centres[j - 1] + apart;
        }
    }
    for (std::size_t j = centres.size(); j-- > 1;) {
        const double apart = gap * centreUnit[j];
        if (hasLeft[j] != 0 && parameterOf[j - 1] >= 0 && centres[j - 1] > centres[j] - apart) {
            centres[j - 1] = centres[j] - apart;
        }
    }
    for (std::size_t j = 0; j < centres.size(); ++j) {
        if (parameterOf[j] >= 0) {
            parameters[static_cast<std::size_t>(parameterOf[j])] = centres[j];
        }
    }
}
