#include "FileHandler/NetworkFile/NetworkTypes.h"

#include <algorithm>
#include <iterator>

#include "FileHandler/Syntax/FileMessages.h"
#include "KQmessage/Check.h"
#include "KQmessage/StrCaseCmp.h"
#include "NeuralNets/TConnectedConnections.h"
#include "NeuralNets/TConnectedNetwork.h"
#include "NeuralNets/TGainLayer.h"
#include "NeuralNets/TPrunedConnections.h"
#include "NeuralNets/TSimpleInputLayer.h"
#include "NeuralNets/TSimpleLayer.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TToConditionConnections.h"
#include "Zorf/TToOutputConnections.h"
#include "Zorf/TZorf.h"
#include "Zorf/TZorfOutputLayer.h"

namespace FileTools {

namespace {

template <class TNetwork>
std::unique_ptr<TBasicNetwork> MakeNetwork(std::int32_t numLayers) {
    return std::make_unique<TNetwork>(numLayers);
}

std::unique_ptr<TBasicNetwork> MakeZorf(std::int32_t numLayers) {
    if (numLayers != 6) {
        ZORF_REFUSE("numlayers == 6");
    }
    return std::make_unique<TZorf>();
}

template <class TLayer>
TBasicLayer* MakeLayer(TBasicNetwork* network, std::int32_t number, std::int32_t count) {
    return new TLayer(network, number, count);
}

TBasicLayer* MakeGainLayer(TBasicNetwork* network, std::int32_t number, std::int32_t count) {
    return new TGainLayer(network, number, count, 1.0);
}

template <class TConnections>
TBasicConnections* MakeConnections(const InputStream&, TBasicNetwork& network, std::int32_t from,
                                   std::int32_t to) {
    return new TConnections(&network, from, to);
}

// The fuzzy matrices are made for their layers' membership functions, which the layer
// blocks before have installed.
TBasicConnections* MakeToCondition(const InputStream& in, TBasicNetwork& network, std::int32_t from,
                                   std::int32_t to) {
    const auto* conditions = dynamic_cast<const TConditionLayer*>(network.GetLayer(to));
    if (conditions == nullptr) {
        throw Error(Messages::kNotConditionTarget, in.Position());
    }
    if (network.GetLayer(from)->GetNumNeurons() < conditions->GetNumInputs()) {
        throw Error(Messages::kConditionInputsMissing, in.Position());
    }
    return new TToConditionConnections(&network, from, to);
}

TBasicConnections* MakeToOutput(const InputStream& in, TBasicNetwork& network, std::int32_t from,
                                std::int32_t to) {
    const auto* outputs = dynamic_cast<const TZorfOutputLayer*>(network.GetLayer(to));
    if (outputs == nullptr) {
        throw Error(Messages::kNotOutputTarget, in.Position());
    }
    if (network.GetLayer(from)->GetNumNeurons() != outputs->GetNumMFs()) {
        throw Error(Messages::kOutputMFsMismatch, in.Position());
    }
    return new TToOutputConnections(&network, from, to);
}

constexpr TNetworkType kNetworkTypes[] = {
    {"Basic", MakeNetwork<TBasicNetwork>},
    {"Connected", MakeNetwork<TConnectedNetwork>},
    {"Zorf", MakeZorf},
};

constexpr TLayerType kLayerTypes[] = {
    {"Simple", MakeLayer<TSimpleLayer>, nullptr, nullptr},
    {"Input", MakeLayer<TSimpleInputLayer>, nullptr, nullptr},
    {"Gain", MakeGainLayer, nullptr, nullptr},
    {"FuzzyCondition", MakeLayer<TConditionLayer>, "INPUTMF", Messages::kNoInputMembership},
    {"Defuzzify", MakeLayer<TZorfOutputLayer>, "OUTPUTMF", Messages::kNoOutputMembership},
};

constexpr TConnectionType kConnectionTypes[] = {
    {"FullyConnected", false, MakeConnections<TConnectedConnections>},
    {"Pruneable", false, MakeConnections<TPrunedConnections>},
    {"ToConditionConnections", true, MakeToCondition},
    {"ToOutputConnections", true, MakeToOutput},
};

template <class TType, std::size_t N>
const TType* Find(const TType (&types)[N], std::string_view name) {
    const auto found = std::find_if(std::begin(types), std::end(types), [&](const TType& type) {
        return KQML::strcasecmp(type.name, name) == 0;
    });
    return found == std::end(types) ? nullptr : found;
}

}  // namespace

const TNetworkType* FindNetworkType(std::string_view name) {
    return Find(kNetworkTypes, name);
}

const TLayerType* FindLayerType(std::string_view name) {
    return Find(kLayerTypes, name);
}

const TConnectionType* FindConnectionType(std::string_view name) {
    return Find(kConnectionTypes, name);
}

}  // namespace FileTools
