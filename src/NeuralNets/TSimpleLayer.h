#pragma once

#include "KQmessage/Export.h"

#include "NeuralNets/TNeuronArrayLayer.h"

// A layer of neurons without parameters.
class ZORF_EXPORT TSimpleLayer : public TNeuronArrayLayer<TBasicNeuron> {
  public:
    TSimpleLayer(TBasicNetwork* owner, std::int32_t number, std::int32_t count);

    const char* GetLayerType() const override;
    TBasicLayer* Clone(TBasicNetwork* owner) const override;
    virtual std::int32_t GetLayerKind() const;
};
