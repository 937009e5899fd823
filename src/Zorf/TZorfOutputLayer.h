#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <string>

#include "KQmessage/Check.h"
#include "NeuralNets/TSimpleLayer.h"
#include "Zorf/TMFGroups.h"

// A defuzzified value outside [0, 1], refused: what() names the failed check, and the report
// shows the value that broke it on standard output before the check (six significant digits).
// The value travels with the refusal so that whoever reports it decides when it is shown.
class ZORF_EXPORT TOutputRangeFailure : public TCheckFailure {
  public:
    TOutputRangeFailure(const std::string& check, std::string value);

    std::string shownValue;
};

// The defuzzifying output layer: each output is the centre of gravity of its membership
// functions, the activations of its action nodes (the layer below) weighting their centres
// (the weights of the TToOutputConnections from that layer).
class ZORF_EXPORT TZorfOutputLayer : public TSimpleLayer {
  public:
    // The membership-function structure follows with SetMFs.
    TZorfOutputLayer(TBasicNetwork* owner, std::int32_t number, std::int32_t outputs);

    // Refuses (TOutputRangeFailure) a value outside [0, 1], which only centres outside [0, 1]
    // from a network file can produce.
    void Compute(const double* inputRow) override;
    const char* GetLayerType() const override;
    TBasicLayer* Clone(TBasicNetwork* owner) const override;
    std::int32_t GetLayerKind() const override;

    // counts[k] membership functions (NdxMF) for each output k of the layer; they must add up
    // to numMFs, the number of action nodes.
    void SetMFs(std::int32_t numMFs, const std::int32_t* counts);
    // Whether SetMFs has installed the structure Compute needs.
    bool HasMFs() const { return groups.IsInstalled(); }

    std::int32_t GetNumMFs() const { return groups.GetNumMembers(); }
    // NdxMF of each output (mfCounts), and the output of each action node (outputOf).
    std::span<const std::int32_t> GetMFCounts() const { return groups.GetCounts(); }
    std::span<const std::int32_t> GetOutputOf() const { return groups.GetGroupOf(); }
    const TMFGroups& GetMFGroups() const { return groups; }
    std::int32_t GetMFPosition(std::int32_t actionNode) const;

  private:
    TMFGroups groups;

    // The centres of the action nodes' membership functions, refused unless the network
    // around this layer is the one Compute needs.
    std::span<const double> Centres() const;
};
