#include "NeuralNets/TBasicNetwork.h"

#include <algorithm>

#include "KQmessage/Check.h"
#include "NeuralNets/TEmptyConnections.h"
#include "NeuralNets/TPrunedConnections.h"

TBasicNetwork::TBasicNetwork() = default;

TBasicNetwork::TBasicNetwork(std::int32_t n_layers) {
    Init(n_layers);
}

TBasicNetwork::TBasicNetwork(const TBasicNetwork& x) {
    CopyFrom(x);
}

TBasicNetwork& TBasicNetwork::operator=(const TBasicNetwork& x) {
    if (this != &x) {
        CopyFrom(x);
    }
    return *this;
}

// Matrices first, then layers, then the registry.
TBasicNetwork::~TBasicNetwork() {
    priv_conns_index.clear();
    priv_conns.clear();
    layers.clear();
    fnRegistry.reset();
}

void TBasicNetwork::Init(std::int32_t n_layers) {
    ZORF_ASSERT(n_layers >= 0);
    numLayers = n_layers;
    inLayer = 1;
    outLayer = n_layers - 1;
    const auto count = static_cast<std::size_t>(n_layers);
    priv_conns.clear();
    priv_conns.resize(count * count);
    for (std::int32_t to = 0; to < n_layers; ++to) {
        for (std::int32_t from = 0; from < n_layers; ++from) {
            priv_conns[to * count + from].reset(new TEmptyConnections(this, from, to));
        }
    }
    IndexConnections();
    layers.clear();
    layers.resize(count);
    fnRegistry = std::make_unique<TFnRegistry>();
    fnRegistry->RegisterDefaults();
}

void TBasicNetwork::IndexConnections() {
    const auto count = static_cast<std::size_t>(numLayers);
    priv_conns_index.resize(count);
    for (std::size_t to = 0; to < count; ++to) {
        priv_conns_index[to] = priv_conns.data() + to * count;
    }
}

// Builds the copy completely before releasing anything this network owns.
void TBasicNetwork::CopyFrom(const TBasicNetwork& x) {
    std::vector<TOwned<TBasicLayer>> copiedLayers(x.layers.size());
    for (std::size_t i = 0; i < x.layers.size(); ++i) {
        if (x.layers[i] == nullptr) {
            ZORF_FAIL("x.layers[i] != NULL");
        }
        copiedLayers[i].reset(x.layers[i]->Clone(this));
    }
    std::vector<TOwned<TBasicConnections>> copiedConns(x.priv_conns.size());
    for (std::size_t i = 0; i < x.priv_conns.size(); ++i) {
        copiedConns[i].reset(x.priv_conns[i]->Clone(this));
    }
    auto registry = std::make_unique<TFnRegistry>();
    registry->RegisterDefaults();

    priv_conns_index.clear();
    priv_conns = std::move(copiedConns);
    layers = std::move(copiedLayers);
    fnRegistry = std::move(registry);
    numLayers = x.numLayers;
    inLayer = x.inLayer;
    outLayer = x.outLayer;
    IndexConnections();
}

template <class Action>
void TBasicNetwork::ForEachMatrix(Action action) {
    for (std::int32_t from = 0; from < numLayers; ++from) {
        for (std::int32_t to = 0; to < numLayers; ++to) {
            action(GetConnections(from, to));
        }
    }
}

std::int32_t TBasicNetwork::GetNumWeights(std::int32_t mask) {
    std::int32_t total = 0;
    ForEachMatrix([&](TBasicConnections& matrix) { total += matrix.GetNumWeights(mask); });
    return total;
}

std::int32_t TBasicNetwork::GetWeights(double* buffer, std::int32_t mask) {
    std::int32_t total = 0;
    ForEachMatrix(
        [&](TBasicConnections& matrix) { total += matrix.GetWeights(buffer + total, mask); });
    return total;
}

std::int32_t TBasicNetwork::SetWeights(const double* buffer, std::int32_t mask) {
    std::int32_t total = 0;
    ForEachMatrix(
        [&](TBasicConnections& matrix) { total += matrix.SetWeights(buffer + total, mask); });
    return total;
}

void TBasicNetwork::RandomizeWeights(double low, double high) {
    ForEachMatrix([&](TBasicConnections& matrix) { matrix.RandomizeWeights(low, high); });
}

void TBasicNetwork::ConnectLayers(std::int32_t from, std::int32_t to) {
    if (!GetConnections(from, to).IsConnected()) {
        SetConnections(from, to, new TPrunedConnections(this, from, to));
    }
}

void TBasicNetwork::DisconnectLayers(std::int32_t from, std::int32_t to) {
    SetConnections(from, to, new TEmptyConnections(this, from, to));
}

void TBasicNetwork::Propagate(const double* input, double* output) {
    for (const TOwned<TBasicLayer>& layer : layers) {
        layer->Compute(input);
    }
    const TBasicLayer& out = *GetLayer(outLayer);
    std::copy(out.GetValues(), out.GetValues() + out.GetNumNeurons(), output);
}

const char* TBasicNetwork::GetNetworkType() const {
    return "Basic";
}

std::unique_ptr<TArcsIterator> TBasicNetwork::NewInAllArcsIterator() {
    ZORF_FAIL("false");
}

void TBasicNetwork::IterateInArcs(TIterateObj& visitor, std::int32_t LayerNum, std::int32_t node,
                                  std::int32_t mask) {
    for (std::int32_t from = 0; from < numLayers; ++from) {
        GetConnections(from, LayerNum).IterateIn(visitor, node, mask);
    }
}

void TBasicNetwork::IterateOutArcs(TIterateObj& visitor, std::int32_t LayerNum, std::int32_t node,
                                   std::int32_t mask) {
    for (std::int32_t to = 0; to < numLayers; ++to) {
        GetConnections(LayerNum, to).IterateOut(visitor, node, mask);
    }
}

void TBasicNetwork::SetLayer(std::int32_t k, TBasicLayer* layer) {
    TOwned<TBasicLayer>& slot = layers[static_cast<std::size_t>(k)];
    if (slot.get() != layer) {
        slot.reset(layer);
    }
}

void TBasicNetwork::SetConnections(std::int32_t from, std::int32_t to,
                                   TBasicConnections* connections) {
    ZORF_ASSERT(connections != nullptr);
    ZORF_ASSERT(connections->GetNetwork() == this);
    ZORF_ASSERT(connections->GetFromLayer() == from && connections->GetToLayer() == to);
    Slot(from, to).reset(connections);
}

std::int32_t TBasicNetwork::GetNumNeurons() const {
    std::int32_t total = 0;
    for (const TOwned<TBasicLayer>& layer : layers) {
        total += layer->GetNumNeurons();
    }
    return total;
}

TBasicNeuron* TBasicNetwork::GetNeuron(std::int32_t index) const {
    ZORF_ASSERT(index >= 0);
    ZORF_ASSERT(index < GetNumNeurons());
    for (const TOwned<TBasicLayer>& layer : layers) {
        if (index < layer->GetNumNeurons()) {
            return layer->GetNeuron(index);
        }
        index -= layer->GetNumNeurons();
    }
    ZORF_FAIL("false");
}
