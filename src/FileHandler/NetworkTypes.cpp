#include "FileHandler/NetworkTypes.h"

#include <algorithm>
#include <iterator>

#include "KQmessage/StrCaseCmp.h"
#include "NeuralNets/TConnectedConnections.h"
#include "NeuralNets/TConnectedNetwork.h"
#include "NeuralNets/TGainLayer.h"
#include "NeuralNets/TPrunedConnections.h"
#include "NeuralNets/TSimpleInputLayer.h"
#include "NeuralNets/TSimpleLayer.h"

namespace FileTools {

namespace {

template <class TNetwork>
std::unique_ptr<TBasicNetwork> MakeNetwork(std::int32_t numLayers) {
    return std::make_unique<TNetwork>(numLayers);
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

constexpr TNetworkType kNetworkTypes[] = {
    {"Basic", MakeNetwork<TBasicNetwork>},
    {"Connected", MakeNetwork<TConnectedNetwork>},
};

constexpr TLayerType kLayerTypes[] = {
    {"Simple", MakeLayer<TSimpleLayer>, nullptr, nullptr},
    {"Input", MakeLayer<TSimpleInputLayer>, nullptr, nullptr},
    {"Gain", MakeGainLayer, nullptr, nullptr},
};

constexpr TConnectionType kConnectionTypes[] = {
    {"FullyConnected", MakeConnections<TConnectedConnections>},
    {"Pruneable", MakeConnections<TPrunedConnections>},
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
