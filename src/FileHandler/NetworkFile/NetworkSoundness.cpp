#include "FileHandler/NetworkFile/NetworkSoundness.h"

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "FileHandler/NetworkFile/DataInfoComment.h"
#include "FileHandler/NetworkFile/NetworkFile.h"
#include "FileHandler/Syntax/FileMessages.h"
#include "KQmessage/FileToolsError.h"
#include "NeuralNets/ArcFlags.h"
#include "NeuralNets/TIterateObj.h"
#include "NeuralNets/TSimpleInputLayer.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TToOutputConnections.h"
#include "Zorf/TZorfOutputLayer.h"

namespace FileTools {

namespace {

[[noreturn]] void Refuse(std::int32_t layer, std::string_view problem) {
    throw Error("Layer " + std::to_string(layer) + ": " + std::string(problem));
}

// The input layer only loads the row and the defuzzifying layer computes its outputs
// itself: neither runs its neurons' functions.
bool RunsNeuronFunctions(const TBasicLayer& layer) {
    return dynamic_cast<const TSimpleInputLayer*>(&layer) == nullptr &&
           dynamic_cast<const TZorfOutputLayer*>(&layer) == nullptr;
}

bool CanRun(TActFunction function, const TBasicLayer& layer) {
    if (function == ActFunctions::Null || function == ActFunctions::Cog) {
        return false;
    }
    return function != ActFunctions::ZorfCondition ||
           dynamic_cast<const TConditionLayer*>(&layer) != nullptr;
}

void RequireRunnableFunctions(const TBasicNetwork& network, std::int32_t k) {
    TBasicLayer& layer = *network.GetLayer(k);
    if (!RunsNeuronFunctions(layer)) {
        return;
    }
    for (std::int32_t i = 0; i < layer.GetNumNeurons(); ++i) {
        const TActFunction function = layer.GetNeuron(i)->actFunction;
        if (function == ActFunctions::Error) {
            Refuse(k, Messages::kNoActivationFunction);
        }
        if (!CanRun(function, layer)) {
            Refuse(k, Messages::kFunctionCannotRun +
                          network.GetFnRegistry().GetFunctionName(function));
        }
    }
}

// Condition nodes take their inputs' values from the layer below.
void RequireInputsBelow(const TBasicNetwork& network, std::int32_t k) {
    const auto* conditions = dynamic_cast<const TConditionLayer*>(network.GetLayer(k));
    if (conditions == nullptr) {
        return;
    }
    if (k == 0 || network.GetLayer(k - 1)->GetNumNeurons() < conditions->GetNumInputs()) {
        Refuse(k, Messages::kBelowInputsMissing);
    }
}

// Outputs are the centres of gravity of the layer below's activations, weighting the
// centres the matrix from that layer holds (which was refused unless the layer below has
// one node per output membership function).
void RequireCentresBelow(const TBasicNetwork& network, std::int32_t k) {
    if (dynamic_cast<const TZorfOutputLayer*>(network.GetLayer(k)) == nullptr) {
        return;
    }
    if (k == 0 ||
        dynamic_cast<const TToOutputConnections*>(&network.GetConnections(k - 1, k)) == nullptr) {
        Refuse(k, Messages::kNoOutputCentres);
    }
}

// A weight or parameter that is not finite makes every output it reaches NaN or infinite,
// which recall would report only rows later, if at all.
class TFirstNonFiniteWeight : public TIterateObj {
  public:
    bool found = false;
    std::int32_t from = 0;
    std::int32_t to = 0;

    void Visit() override {
        if (!found && !std::isfinite(*weight)) {
            found = true;
            from = fromNode;
            to = toNode;
        }
    }
};

std::string NodeText(std::int32_t node) {
    return "node " + std::to_string(node);
}

void RequireFiniteWeights(const TBasicNetwork& network, std::int32_t to) {
    for (std::int32_t from = 0; from < to; ++from) {
        TBasicConnections& matrix = network.GetConnections(from, to);
        if (!matrix.IsConnected()) {
            continue;
        }
        TFirstNonFiniteWeight visitor;
        matrix.IterateAll(visitor, FMaskExists);
        if (visitor.found) {
            Refuse(to, std::string(Messages::kWeightNotFinite) + " (from " +
                           NodeText(visitor.from) + " of layer " + std::to_string(from) + " to " +
                           NodeText(visitor.to) + ")");
        }
    }
}

void RequireFiniteParameters(const TBasicNetwork& network, std::int32_t k) {
    TBasicLayer& layer = *network.GetLayer(k);
    std::vector<double> parameters;
    for (std::int32_t i = 0; i < layer.GetNumNeurons(); ++i) {
        const TBasicNeuron& neuron = *layer.GetNeuron(i);
        parameters.resize(static_cast<std::size_t>(neuron.GetNumParameters()));
        neuron.GetParameters(parameters.data());
        for (const double parameter : parameters) {
            if (!std::isfinite(parameter)) {
                Refuse(k, std::string(Messages::kParameterNotFinite) + " (" + NodeText(i) + ")");
            }
        }
    }
}

// A membership function reaches 0 at its neighbours' centres; with a centre below its left
// neighbour's the degrees of an input no longer describe its value. The centres are the
// weights of the matrix from the input layer, whose finiteness is checked with the weights.
void RequireOrderedCentres(const TBasicNetwork& network, std::int32_t k) {
    const auto* conditions = dynamic_cast<const TConditionLayer*>(network.GetLayer(k));
    if (conditions == nullptr) {
        return;
    }
    for (std::int32_t j = 0; j < conditions->GetNumNeurons(); ++j) {
        const TConditionNeuron& node = conditions->Node(j);
        if (node.left != nullptr && node.centre < node.left->centre) {
            Refuse(k, std::string(Messages::kCentresOutOfOrder) + " (" + NodeText(j) + " below " +
                          NodeText(j - 1) + ")");
        }
    }
}

}  // namespace

void RequireRecallable(const TBasicNetwork& network) {
    for (std::int32_t k = 0; k < network.GetNumLayers(); ++k) {
        if (network.GetLayer(k) == nullptr) {
            Refuse(k, Messages::kLayerUndefined);
        }
    }
    for (std::int32_t k = 0; k < network.GetNumLayers(); ++k) {
        RequireRunnableFunctions(network, k);
        RequireInputsBelow(network, k);
        RequireCentresBelow(network, k);
        RequireFiniteParameters(network, k);
        RequireFiniteWeights(network, k);
        RequireOrderedCentres(network, k);
    }
}

namespace {

std::unique_ptr<TZorf> RecallableZorf(std::unique_ptr<TBasicNetwork> network) {
    if (dynamic_cast<TZorf*>(network.get()) == nullptr) {
        throw Error(Messages::kNotZorfNetwork + std::string(network->GetNetworkType()));
    }
    RequireRecallable(*network);
    std::unique_ptr<TZorf> zorf(static_cast<TZorf*>(network.release()));
    RequireDataInfoFits(zorf->DataInfo(), zorf->GetConditionLayer()->GetNumInputs(),
                        zorf->GetLayer(zorf->GetOutLayer())->GetNumNeurons());
    return zorf;
}

}  // namespace

std::unique_ptr<TZorf> LoadRecallableZorf(ScratchBuffer& scratch, const std::string& fileName) {
    return RecallableZorf(LoadNetwork(scratch, fileName));
}

std::unique_ptr<TZorf> ReadRecallableZorf(ScratchBuffer& scratch, InputStream& in) {
    return RecallableZorf(ReadNetwork(scratch, in));
}

}  // namespace FileTools
