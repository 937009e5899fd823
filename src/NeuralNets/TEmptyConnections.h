#pragma once

#include "NeuralNets/TBasicConnections.h"

// The placeholder for a pair of layers that is not connected: no arcs, adds nothing.
class TEmptyConnections final : public virtual TBasicConnections {
  public:
    TEmptyConnections(TBasicNetwork* owner, std::int32_t from, std::int32_t to);

    bool IsConnected() const override;
    std::int32_t GetNumWeights(std::int32_t mask) override;
    std::int32_t GetWeights(double* buffer, std::int32_t mask) override;
    std::int32_t SetWeights(const double* buffer, std::int32_t mask) override;
    void RandomizeWeights(double low, double high) override;
    double& GetWeight(std::int32_t s, std::int32_t t) override;
    void AddWeightedInputs(double* values) override;
    bool IsValid(std::int32_t s, std::int32_t t) override;
    void IterateIn(TIterateObj& visitor, std::int32_t t, std::int32_t mask) override;
    void IterateOut(TIterateObj& visitor, std::int32_t s, std::int32_t mask) override;
    void IterateAll(TIterateObj& visitor, std::int32_t mask) override;
    void IterateAll2(TIterateObj2& visitor, TBasicNetwork* second, std::int32_t mask) override;
    void IterateAll3(TIterateObj3& visitor, TBasicNetwork* second, TBasicNetwork* third,
                     std::int32_t mask) override;
    const char* GetConnectionsNType() const override;
    TBasicConnections* Clone(TBasicNetwork* owner) const override;
    void RemoveSourceNeuron(std::int32_t k) override;
    void RemoveTargetNeuron(std::int32_t k) override;
    void InsertSourceNeuron(std::int32_t k, double low, double high, bool attached) override;
    void InsertTargetNeuron(std::int32_t k, double low, double high, bool attached) override;
};
