#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <vector>

#include "NeuralNets/ArcFlags.h"

class TBasicNetwork;
class TIterateObj;
class TIterateObj2;
class TIterateObj3;

// The weighted arcs from the neurons of one layer of a network (from) to those of another
// (to). A matrix keeps no dimensions: it asks its network for the two layers' current
// neuron counts. Owned by its network and released only through Destroy.
class ZORF_EXPORT TBasicConnections {
  public:
    TBasicConnections(TBasicNetwork* owner, std::int32_t from, std::int32_t to);
    TBasicConnections(const TBasicConnections&) = delete;
    TBasicConnections& operator=(const TBasicConnections&) = delete;

    // Whether arcs with these flags are selected by the mask.
    static bool Selects(std::int32_t mask, std::uint8_t flags) {
        const std::int32_t required = mask == FMaskExists ? FMaskExists : FMaskAll;
        return (flags & required) == required;
    }

    // s is a source neuron index, t a target neuron index.
    virtual bool IsConnected() const;
    virtual std::int32_t GetNumWeights(std::int32_t mask);
    virtual std::int32_t GetWeights(double* buffer, std::int32_t mask);
    virtual std::int32_t SetWeights(const double* buffer, std::int32_t mask);
    virtual void RandomizeWeights(double low, double high);
    virtual double& GetWeight(std::int32_t s, std::int32_t t) = 0;
    // Adds, for every target neuron t, the sum of weight x source value over its existing
    // arcs to values[t].
    virtual void AddWeightedInputs(double* values);
    virtual bool IsValid(std::int32_t s, std::int32_t t) = 0;
    virtual bool IsTrainable(std::int32_t s, std::int32_t t);
    virtual void RemoveArc(std::int32_t s, std::int32_t t);
    virtual void AddArc(std::int32_t s, std::int32_t t);
    virtual void Unfreeze(std::int32_t s, std::int32_t t);
    virtual void Freeze(std::int32_t s, std::int32_t t);
    virtual void IterateIn(TIterateObj& visitor, std::int32_t t, std::int32_t mask) = 0;
    virtual void IterateOut(TIterateObj& visitor, std::int32_t s, std::int32_t mask) = 0;
    virtual void IterateAll(TIterateObj& visitor, std::int32_t mask) = 0;
    virtual void IterateAll2(TIterateObj2& visitor, TBasicNetwork* second, std::int32_t mask) = 0;
    virtual void IterateAll3(TIterateObj3& visitor, TBasicNetwork* second, TBasicNetwork* third,
                             std::int32_t mask) = 0;
    virtual const char* GetConnectionsNType() const = 0;
    virtual std::uint8_t GetFlags(std::int32_t s, std::int32_t t);
    virtual void SetFlags(std::int32_t s, std::int32_t t, std::uint8_t val);
    virtual void Destroy();
    virtual TBasicConnections* Clone(TBasicNetwork* owner) const = 0;
    // The layer has already shrunk or grown when these are called.
    virtual void RemoveSourceNeuron(std::int32_t k) = 0;
    virtual void RemoveTargetNeuron(std::int32_t k) = 0;
    virtual void InsertSourceNeuron(std::int32_t k, double low, double high, bool attached);
    virtual void InsertTargetNeuron(std::int32_t k, double low, double high, bool attached);

    // The flag bytes of the existing arcs in IterateAll order, their replacement, and
    // freezing every arc.
    std::vector<std::uint8_t> GetAllFlags();
    void SetAllFlags(const std::uint8_t* flags);
    void FreezeAll();

    TBasicNetwork* GetNetwork() const { return network; }
    std::int32_t GetFromLayer() const { return fromLayer; }
    void SetFromLayer(std::int32_t number) { fromLayer = number; }
    std::int32_t GetToLayer() const { return toLayer; }
    void SetToLayer(std::int32_t number) { toLayer = number; }

  protected:
    TBasicNetwork* network;
    std::int32_t fromLayer;
    std::int32_t toLayer;

    // The current neuron counts of the two layers.
    std::int32_t NumFrom() const;
    std::int32_t NumTo() const;

    // Matrices are released through Destroy.
    virtual ~TBasicConnections();
};
