#include "NeuralNets/TGainLayer.h"

TGainLayer::TGainLayer(TBasicNetwork* owner, std::int32_t number, std::int32_t count, double gain)
    : TNeuronArrayLayer(owner, number, count) {
    SetGain(gain);
}

const char* TGainLayer::GetLayerType() const {
    return "Gain";
}

TBasicLayer* TGainLayer::Clone(TBasicNetwork* owner) const {
    auto* copy = new TGainLayer(owner, layerNum, numNeurons, 1.0);
    copy->CopyLayerFrom(*this);
    return copy;
}

void TGainLayer::InsertNeuron(std::int32_t index) {
    const double gain = nodes.empty() ? 1.0 : nodes.front().gain;
    TNeuronArrayLayer::InsertNeuron(index);
    nodes[static_cast<std::size_t>(index)].gain = gain;
}

void TGainLayer::SetGain(double gain) {
    for (TGainNeuron& neuron : nodes) {
        neuron.gain = gain;
    }
}
