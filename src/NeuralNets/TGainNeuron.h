#pragma once

#include "NeuralNets/TBasicNeuron.h"

// A neuron with one parameter, the gain read by the gain activation functions.
class TGainNeuron : public TBasicNeuron {
  public:
    double gain = 1.0;

    std::int32_t GetNumParameters() const override;
    void GetParameters(double* parameters) const override;
    void SetParameters(const double* parameters) override;
    const char* GetParameterName(std::int32_t i) const override;
    void CopyParameters(const TBasicNeuron& other) override;
};
