#pragma once

#include "KQmessage/Export.h"

#include <cstdint>

class TBasicLayer;
class TBasicNeuron;

// An activation function: given the neuron and its net input, it stores the neuron's output
// through the neuron's value pointer.
using TActFunction = void (*)(TBasicNeuron& neuron, double netInput);

// One neuron: a record of its place and its function. Its value lives in its layer's values
// array, which lets a layer compute in place.
class ZORF_EXPORT TBasicNeuron {
  public:
    std::int32_t layerNum = 0;
    std::int32_t index = 0;
    double* value = nullptr;
    TBasicLayer* layer = nullptr;
    TActFunction actFunction;

    TBasicNeuron();
    TBasicNeuron(const TBasicNeuron&) = default;
    TBasicNeuron& operator=(const TBasicNeuron&) = default;
    virtual ~TBasicNeuron() = default;

    virtual void Activate(double netInput);
    virtual std::int32_t GetNumParameters() const;
    virtual void GetParameters(double* parameters) const;
    virtual void SetParameters(const double* parameters);
    virtual const char* GetParameterName(std::int32_t i) const;
    virtual void CopyParameters(const TBasicNeuron& other);

    // The neurons of the layer may differ from now on, so the layer forgets its common
    // function. A gain function is refused (TException) unless the neuron carries a gain.
    void SetActivationFunction(TActFunction function);
};
