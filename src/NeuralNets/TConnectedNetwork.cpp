#include "NeuralNets/TConnectedNetwork.h"

#include "NeuralNets/TConnInAllArcsIterator.h"
#include "NeuralNets/TConnectedConnections.h"
#include "NeuralNets/TSimpleInputLayer.h"

TConnectedNetwork::TConnectedNetwork() = default;

TConnectedNetwork::TConnectedNetwork(std::int32_t n_layers) : TBasicNetwork(n_layers) {}

TConnectedNetwork::TConnectedNetwork(std::int32_t n_layers, const std::int32_t* count)
    : TBasicNetwork(n_layers) {
    for (std::int32_t k = 0; k < n_layers; ++k) {
        if (k == inLayer) {
            SetLayer(k, new TSimpleInputLayer(this, k, count[k]));
        } else {
            SetLayer(k, new TSimpleLayer(this, k, count[k]));
        }
    }
}

void TConnectedNetwork::ConnectLayers(std::int32_t from, std::int32_t to) {
    if (!GetConnections(from, to).IsConnected()) {
        SetConnections(from, to, new TConnectedConnections(this, from, to));
    }
}

const char* TConnectedNetwork::GetNetworkType() const {
    return "Connected";
}

std::unique_ptr<TArcsIterator> TConnectedNetwork::NewInAllArcsIterator() {
    return std::make_unique<TConnInAllArcsIterator>(this);
}
