#pragma once

#include "NeuralNets/TSimpleLayer.h"

// The layer that loads the input row; its neurons carry "linear".
class TSimpleInputLayer : public TSimpleLayer {
  public:
    TSimpleInputLayer(TBasicNetwork* owner, std::int32_t number, std::int32_t count);

    // Loads the row and stops: no matrix is consulted and no function runs.
    void Compute(const double* inputRow) override;
    const char* GetLayerType() const override;
    TBasicLayer* Clone(TBasicNetwork* owner) const override;
};
