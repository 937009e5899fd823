#pragma once

#include "NeuralNets/TGridConnections.h"

// Any subset of the arcs between two layers: a flag byte per arc says whether it exists and
// whether it is trainable. A new matrix has every arc, trainable.
class TPrunedConnections final : public TGridConnections {
  public:
    TPrunedConnections(TBasicNetwork* owner, std::int32_t from, std::int32_t to);

    void RandomizeWeights(double low, double high) override;
    void AddWeightedInputs(double* values) override;
    bool IsValid(std::int32_t s, std::int32_t t) override;
    bool IsTrainable(std::int32_t s, std::int32_t t) override;
    void RemoveArc(std::int32_t s, std::int32_t t) override;
    void AddArc(std::int32_t s, std::int32_t t) override;
    void Unfreeze(std::int32_t s, std::int32_t t) override;
    void Freeze(std::int32_t s, std::int32_t t) override;
    void IterateIn(TIterateObj& visitor, std::int32_t t, std::int32_t mask) override;
    void IterateOut(TIterateObj& visitor, std::int32_t s, std::int32_t mask) override;
    void IterateAll(TIterateObj& visitor, std::int32_t mask) override;
    void IterateAll2(TIterateObj2& visitor, TBasicNetwork* second, std::int32_t mask) override;
    void IterateAll3(TIterateObj3& visitor, TBasicNetwork* second, TBasicNetwork* third,
                     std::int32_t mask) override;
    const char* GetConnectionsNType() const override;
    std::uint8_t GetFlags(std::int32_t s, std::int32_t t) override;
    // Stores any byte, also combinations that neither mask selects.
    void SetFlags(std::int32_t s, std::int32_t t, std::uint8_t val) override;
    TBasicConnections* Clone(TBasicNetwork* owner) const override;
    void RemoveSourceNeuron(std::int32_t k) override;
    void RemoveTargetNeuron(std::int32_t k) override;
    // Without attached the new arcs are absent (flag 0, weight 0.0).
    void InsertSourceNeuron(std::int32_t k, double low, double high, bool attached) override;
    void InsertTargetNeuron(std::int32_t k, double low, double high, bool attached) override;

  protected:
    const TArcGrid<std::uint8_t>* ArcFlags() const override { return &masks; }

  private:
    TArcGrid<std::uint8_t> masks;

    TPrunedConnections(TBasicNetwork* owner, const TPrunedConnections& source);

    auto FlagOf() {
        return [this](std::int32_t s, std::int32_t t) { return masks.At(s, t); };
    }
};
