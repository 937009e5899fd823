#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <vector>

#include "NeuralNets/TNeuronArrayLayer.h"
#include "Zorf/TMFGroups.h"

// A condition node: one triangular membership function of one input, given by its centre
// and reaching 0 at the centres of its neighbours (the membership functions left and right
// of it on the same input).
class ZORF_EXPORT TConditionNeuron : public TBasicNeuron {
  public:
    double centre = 0.0;
    TConditionNeuron* left = nullptr;
    TConditionNeuron* right = nullptr;
    // 1 = trainable, 0 = frozen.
    std::uint8_t trainable = 1;

    // The membership degree of x in this node's function.
    double Membership(double x) const;
};

// The fuzzification layer: one node per membership function of each input; a node's value
// is the degree to which its input's current value belongs to its function. The centres
// are the weights of the arcs from the input layer (reached through
// TToConditionConnections).
class ZORF_EXPORT TConditionLayer : public TNeuronArrayLayer<TConditionNeuron> {
  public:
    // The nodes carry "Zorf-condition"; the membership-function structure follows with SetMFs.
    TConditionLayer(TBasicNetwork* owner, std::int32_t number, std::int32_t count);

    void Compute(const double* inputRow) override;
    const char* GetLayerType() const override;
    TBasicLayer* Clone(TBasicNetwork* owner) const override;
    void DeleteNeuron(std::int32_t index) override;
    void InsertNeuron(std::int32_t index) override;
    virtual std::int32_t GetLayerKind() const;

    // counts[i] (NdxMF, at least 2) membership functions for each input i < numInputs; they
    // must add up to the layer's nodes. Resets every centre to the even spread.
    void SetMFs(std::int32_t numInputs, const std::int32_t* counts);
    // The first numInputs inputs get evenly spread centres over [0, 1].
    void SetDefaultCentres(std::int32_t numInputs);
    // Whether SetMFs has installed the structure Compute needs.
    bool HasMFs() const { return groups.IsInstalled(); }

    std::int32_t GetNumInputs() const { return groups.GetNumGroups(); }
    // NdxMF of each input (mfCounts), and the input of each node (inputOf).
    std::span<const std::int32_t> GetMFCounts() const { return groups.GetCounts(); }
    std::span<const std::int32_t> GetInputOf() const { return groups.GetGroupOf(); }
    const TMFGroups& GetMFGroups() const { return groups; }
    // The numbers of the input's nodes, in ascending order.
    std::vector<std::int32_t> GetInputMFNodes(std::int32_t input) const;
    std::int32_t GetMFPosition(std::int32_t node) const;

    TConditionNeuron& Node(std::int32_t index) { return nodes[static_cast<std::size_t>(index)]; }
    const TConditionNeuron& Node(std::int32_t index) const {
        return nodes[static_cast<std::size_t>(index)];
    }

  private:
    TMFGroups groups;

    void LinkNeighbours();
};
