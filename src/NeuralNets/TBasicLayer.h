#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <vector>

#include "NeuralNets/TBasicNeuron.h"

class TBasicNetwork;

// A layer: an ordered array of neurons and the values array holding each neuron's net input
// and then, in place, its output for the current row. Owned by its network and released
// only through Destroy.
class ZORF_EXPORT TBasicLayer {
  public:
    TBasicLayer(TBasicNetwork* owner, std::int32_t number, std::int32_t count);
    TBasicLayer(const TBasicLayer&) = delete;
    TBasicLayer& operator=(const TBasicLayer&) = delete;

    // Runs each neuron's function on its net input; the outputs land in values, so the net
    // inputs may be values itself.
    virtual void ApplyActivation(const double* netInputs);
    virtual TBasicNeuron* GetNeuron(std::int32_t index) = 0;
    // One row: the net inputs from every lower layer, then the activation.
    virtual void Compute(const double* inputRow);
    virtual const char* GetLayerType() const = 0;
    virtual void Destroy();
    virtual TBasicLayer* Clone(TBasicNetwork* owner) const = 0;
    // The network adjusts numNeurons after these.
    virtual void DeleteNeuron(std::int32_t index) = 0;
    virtual void InsertNeuron(std::int32_t index);

    // Gives every neuron the function and records it as common. Refuses (TException) a gain
    // function when a neuron carries no gain, before changing anything.
    void SetActivationFunction(TActFunction function);
    // The common function; when none is recorded, the function all neurons share (recorded
    // from then on), Null for a layer without neurons, or null when the neurons differ.
    TActFunction GetActivationFunction();
    void ForgetCommonFunction() { actFunction = nullptr; }

    std::int32_t GetNumDimensions() const { return static_cast<std::int32_t>(dimensions.size()); }
    void GetDimensions(std::int32_t* parameters) const;
    void SetDimensions(std::int32_t count, const std::int32_t* newDimensions);

    TBasicNetwork* GetNetwork() const { return network; }
    std::int32_t GetNumNeurons() const { return numNeurons; }
    void SetNumNeurons(std::int32_t count) { numNeurons = count; }
    std::int32_t GetLayerNum() const { return layerNum; }
    void SetLayerNum(std::int32_t number) { layerNum = number; }
    double* GetValues() { return values.data(); }
    const double* GetValues() const { return values.data(); }

  protected:
    TBasicNetwork* network;
    TActFunction actFunction = nullptr;
    std::int32_t numNeurons;
    std::int32_t layerNum;
    std::vector<double> values;
    std::vector<std::int32_t> dimensions;

    // The part every clone copies: zero values of the source's size, the dimensions and the
    // common function.
    void CopyBaseFrom(const TBasicLayer& source);
    // Zero values, or the input row at the input position (with a warning naming the class
    // that does not expect to sit there).
    void LoadOrClear(const double* inputRow, bool expectInputPosition, const char* className);

    // Layers are released through Destroy.
    virtual ~TBasicLayer();
};
