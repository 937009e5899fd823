#pragma once

#include "NeuralNets/TGainNeuron.h"
#include "NeuralNets/TNeuronArrayLayer.h"

// A layer of neurons that each carry a gain.
class TGainLayer : public TNeuronArrayLayer<TGainNeuron> {
  public:
    TGainLayer(TBasicNetwork* owner, std::int32_t number, std::int32_t count, double gain);

    const char* GetLayerType() const override;
    TBasicLayer* Clone(TBasicNetwork* owner) const override;
    // The new neuron takes the gain of neuron 0, or 1.0 in a layer without neurons.
    void InsertNeuron(std::int32_t index) override;

    void SetGain(double gain);
};
