#pragma once

#include <cstddef>
#include <vector>

#include "KQmessage/Export.h"
#include "NeuralNets/ActFunctions.h"
#include "NeuralNets/TBasicLayer.h"

// What every layer that keeps its neurons in one array of a single neuron class shares:
// the neuron array, its walks and its edits. TNeuron derives from TBasicNeuron.
template <class TNeuron>
class ZORF_EXPORT TNeuronArrayLayer : public TBasicLayer {
  public:
    TNeuronArrayLayer(TBasicNetwork* owner, std::int32_t number, std::int32_t count)
        : TBasicLayer(owner, number, count), nodes(static_cast<std::size_t>(numNeurons)) {
        for (TNeuron& neuron : nodes) {
            neuron.layerNum = layerNum;
        }
        AimNodes();
    }

    // Walks the array directly; a common function is called without reading the neurons', or
    // runs over the whole layer at once where it has a layer form.
    void ApplyActivation(const double* netInputs) override {
        const std::size_t count = static_cast<std::size_t>(numNeurons);
        if (const ActFunctions::TLayerActFunction layerForm =
                ActFunctions::LayerFormOf(actFunction)) {
            layerForm(netInputs, values.data(), numNeurons);
            return;
        }
        if (actFunction != nullptr) {
            for (std::size_t i = 0; i < count; ++i) {
                actFunction(nodes[i], netInputs[i]);
            }
            return;
        }
        for (std::size_t i = 0; i < count; ++i) {
            nodes[i].actFunction(nodes[i], netInputs[i]);
        }
    }

    TBasicNeuron* GetNeuron(std::int32_t index) override {
        return &nodes[static_cast<std::size_t>(index)];
    }

    // The neuron array itself, for walks that step through it.
    TNeuron* GetNodes() { return nodes.data(); }

    // values keeps its size; the network shrinks numNeurons afterwards.
    void DeleteNeuron(std::int32_t index) override {
        nodes.erase(nodes.begin() + index);
        AimNodes();
    }

    // The new neuron takes the common function, or Error when there is none; its values
    // entry is set by the next Compute.
    void InsertNeuron(std::int32_t index) override {
        values.assign(nodes.size() + 1, 0.0);
        TNeuron neuron;
        neuron.layerNum = layerNum;
        if (actFunction != nullptr) {
            neuron.actFunction = actFunction;
        }
        nodes.insert(nodes.begin() + index, neuron);
        AimNodes();
    }

  protected:
    std::vector<TNeuron> nodes;

    // A clone's layer-wide part and its neurons: fields copied, then aimed at this layer.
    void CopyLayerFrom(const TNeuronArrayLayer& source) {
        CopyBaseFrom(source);
        nodes = source.nodes;
        AimNodes();
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            nodes[i].CopyParameters(source.nodes[i]);
        }
    }

    // Neurons keep their positions as indexes, also after an edit.
    void AimNodes() {
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            nodes[i].index = static_cast<std::int32_t>(i);
            nodes[i].layer = this;
            nodes[i].value = &values[i];
        }
    }
};
