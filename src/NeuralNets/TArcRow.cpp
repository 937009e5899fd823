#include "NeuralNets/TArcRow.h"

#include "KQmessage/KQML.h"
#include "KQmessage/TException.h"
#include "NeuralNets/TBasicNetwork.h"
#include "NeuralNets/TConnectedConnections.h"
#include "NeuralNets/TNeuronArrayLayer.h"

namespace {

constexpr const char* kInvalidLayer = "Invalid layer number";
constexpr const char* kInvalidNeuron = "Invalid neuron number";
constexpr const char* kNotFullyConnected = "Matrix is not fully connected";
constexpr const char* kNotPlainNeurons = "Layer neurons are not plain neurons";

}  // namespace

TArcRow TArcRow::Into(TBasicNetwork& network, std::int32_t from, std::int32_t to,
                      std::int32_t toNode, const char* where) {
    TBasicConnections& connections = network.GetConnections(from, to);
    if (!connections.IsConnected()) {
        return {};
    }
    auto* matrix = dynamic_cast<TConnectedConnections*>(&connections);
    if (matrix == nullptr) {
        throw TException(kNotFullyConnected, kBadParameter, where);
    }
    // A vector of plain neurons holds nothing but plain neurons, whatever the layer's class.
    auto* layer = dynamic_cast<TNeuronArrayLayer<TBasicNeuron>*>(network.GetLayer(from));
    if (layer == nullptr) {
        throw TException(kNotPlainNeurons, kBadParameter, where);
    }
    TArcRow row;
    row.matrix = matrix;
    row.count = layer->GetNumNeurons();
    if (row.count > 0) {
        row.sources = layer->GetNodes();
        row.weights = &matrix->GetWeight(0, toNode);
    }
    return row;
}

void TArcRow::RequireLayer(const TBasicNetwork& network, std::int32_t layer, const char* where) {
    if (layer < 0 || layer >= network.GetNumLayers()) {
        throw TException(kInvalidLayer, kBadParameter, where);
    }
}

TBasicNeuron* TArcRow::Target(const TBasicNetwork& network, std::int32_t layer, std::int32_t node,
                              const char* where) {
    RequireLayer(network, layer, where);
    TBasicLayer& target = *network.GetLayer(layer);
    if (node < 0 || node >= target.GetNumNeurons()) {
        throw TException(kInvalidNeuron, kBadParameter, where);
    }
    return target.GetNeuron(node);
}
