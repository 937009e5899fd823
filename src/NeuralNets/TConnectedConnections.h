#pragma once

#include "NeuralNets/TGridConnections.h"

// Every source neuron connected to every target neuron, every arc trainable.
class TConnectedConnections final : public TGridConnections {
  public:
    TConnectedConnections(TBasicNetwork* owner, std::int32_t from, std::int32_t to);

    // The weight operations ignore the mask; their buffers are laid out source-major.
    std::int32_t GetNumWeights(std::int32_t mask) override;
    std::int32_t GetWeights(double* buffer, std::int32_t mask) override;
    std::int32_t SetWeights(const double* buffer, std::int32_t mask) override;
    void RandomizeWeights(double low, double high) override;
    void AddWeightedInputs(double* values) override;
    bool IsValid(std::int32_t s, std::int32_t t) override;
    void AddArc(std::int32_t s, std::int32_t t) override;
    void Unfreeze(std::int32_t s, std::int32_t t) override;
    void IterateIn(TIterateObj& visitor, std::int32_t t, std::int32_t mask) override;
    void IterateOut(TIterateObj& visitor, std::int32_t s, std::int32_t mask) override;
    void IterateAll(TIterateObj& visitor, std::int32_t mask) override;
    void IterateAll2(TIterateObj2& visitor, TBasicNetwork* second, std::int32_t mask) override;
    void IterateAll3(TIterateObj3& visitor, TBasicNetwork* second, TBasicNetwork* third,
                     std::int32_t mask) override;
    const char* GetConnectionsNType() const override;
    TBasicConnections* Clone(TBasicNetwork* owner) const override;
    // The new arcs must exist (attached): this matrix has no absent arcs.
    void InsertSourceNeuron(std::int32_t k, double low, double high, bool attached) override;
    void InsertTargetNeuron(std::int32_t k, double low, double high, bool attached) override;

  private:
    TConnectedConnections(TBasicNetwork* owner, const TConnectedConnections& source);

    template <class Transfer>
    std::int32_t ForEachSourceMajor(Transfer transfer);
};
