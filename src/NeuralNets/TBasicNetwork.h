#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "NeuralNets/ActFunctions.h"
#include "NeuralNets/TArcsIterator.h"
#include "NeuralNets/TBasicConnections.h"
#include "NeuralNets/TBasicLayer.h"

class TIterateObj;

// Owns a layer or matrix, which is released only through its Destroy.
struct ZORF_EXPORT TDestroy {
    template <class T>
    void operator()(T* object) const {
        object->Destroy();
    }
};
template <class T>
using TOwned = std::unique_ptr<T, TDestroy>;

// The generic feed-forward network: an ordered list of layers and one matrix for every
// ordered pair of layers (a TEmptyConnections where the pair is not connected). The matrix
// from layer `from` to layer `to` is priv_conns_index[to][from].
class ZORF_EXPORT TBasicNetwork {
  public:
    // An empty shell for derived classes, which call Init themselves.
    TBasicNetwork();
    explicit TBasicNetwork(std::int32_t n_layers);
    TBasicNetwork(const TBasicNetwork& x);
    TBasicNetwork& operator=(const TBasicNetwork& x);
    virtual ~TBasicNetwork();

    // Every matrix placeholder and the registry; the layer slots stay empty, to be filled
    // by whoever builds the network before it is used.
    void Init(std::int32_t n_layers);

    virtual std::int32_t GetNumWeights(std::int32_t mask);
    // The selected weights of every matrix, all matrices leaving layer 0 by ascending target
    // layer first, then those leaving layer 1, and so on; each matrix in its own order. The
    // caller sizes the buffer with GetNumWeights and the same mask.
    virtual std::int32_t GetWeights(double* buffer, std::int32_t mask);
    virtual std::int32_t SetWeights(const double* buffer, std::int32_t mask);
    virtual void RandomizeWeights(double low, double high);
    // Makes the pair a real matrix unless it is one already (then its weights stay).
    virtual void ConnectLayers(std::int32_t from, std::int32_t to);
    virtual void DisconnectLayers(std::int32_t from, std::int32_t to);
    // One row: every layer computes in ascending order, then the output layer's values are
    // copied out. The rows are not checked: the input row holds at least the input layer's
    // count, the output row has room for the output layer's.
    virtual void Propagate(const double* input, double* output);
    virtual const char* GetNetworkType() const;
    // A new iterator over the incoming arcs of a neuron.
    virtual std::unique_ptr<TArcsIterator> NewInAllArcsIterator();

    // Visit the arcs that end at (IterateInArcs) or start at (IterateOutArcs) one neuron.
    void IterateInArcs(TIterateObj& visitor, std::int32_t LayerNum, std::int32_t node,
                       std::int32_t mask);
    void IterateOutArcs(TIterateObj& visitor, std::int32_t LayerNum, std::int32_t node,
                        std::int32_t mask);

    // Structural edits. Each keeps one matrix per ordered pair of layers whose numbers are its
    // position, every layer's and neuron's number equal to its position, and inLayer and
    // outLayer on the layers they named. A hidden layer is any but inLayer and outLayer.
    // Positions outside the network are programming errors: callers check numbers from outside.
    //
    // Takes ownership of a layer made for this network; it is not connected to anything.
    void InsertLayer(std::int32_t LayerNum, TBasicLayer* layer);
    void RemoveLayer(std::int32_t LayerNum);
    // A neuron at position node of a hidden layer, with a row and a column in every matrix
    // touching the layer; new arcs weigh random values in [low, high) and exist when attached.
    void AddNeuron(std::int32_t LayerNum, std::int32_t node, double low, double high,
                   bool attached);
    void RemoveNeuron(std::int32_t LayerNum, std::int32_t node);
    // Removes the hidden neurons below outLayer (but not inLayer's) that no existing arc
    // leaves, top layer first, so that a neuron feeding only neurons removed in the same call
    // goes too. Returns how many went.
    std::int32_t PruneNeurons();

    std::int32_t GetNumLayers() const { return numLayers; }
    TBasicLayer* GetLayer(std::int32_t k) const {
        return layers[static_cast<std::size_t>(k)].get();
    }
    // Takes ownership; a previous occupant of the slot is destroyed.
    void SetLayer(std::int32_t k, TBasicLayer* layer);
    std::int32_t GetInLayer() const { return inLayer; }
    void SetInLayer(std::int32_t number) { inLayer = number; }
    std::int32_t GetOutLayer() const { return outLayer; }
    void SetOutLayer(std::int32_t number) { outLayer = number; }
    TBasicConnections& GetConnections(std::int32_t from, std::int32_t to) const {
        return *priv_conns_index[static_cast<std::size_t>(to)][from];
    }
    // Destroys the pair's matrix and takes ownership of the new one, made for this network
    // and this pair.
    void SetConnections(std::int32_t from, std::int32_t to, TBasicConnections* connections);
    TFnRegistry& GetFnRegistry() const { return *fnRegistry; }
    std::int32_t GetNumNeurons() const;
    // Neurons numbered through all layers, those of layer 0 first.
    TBasicNeuron* GetNeuron(std::int32_t index) const;

  protected:
    std::int32_t numLayers = 0;
    std::vector<TOwned<TBasicLayer>> layers;
    std::int32_t inLayer = 0;
    std::int32_t outLayer = 0;
    std::vector<TOwned<TBasicConnections>> priv_conns;
    std::vector<TOwned<TBasicConnections>*> priv_conns_index;
    std::unique_ptr<TFnRegistry> fnRegistry;

    TOwned<TBasicConnections>& Slot(std::int32_t from, std::int32_t to) {
        return priv_conns_index[static_cast<std::size_t>(to)][from];
    }

  private:
    void IndexConnections();
    void RequireHiddenLayer(std::int32_t LayerNum) const;
    // A table for n layers: new slot k takes the matrices of old slot oldSlotOf(k), or fresh
    // placeholders where that is -1; the matrices no new slot takes are destroyed.
    template <class OldSlotOf>
    void RearrangeMatrices(std::int32_t n, OldSlotOf oldSlotOf);
    // Calls onSource for the matrix from the layer to each layer, then onTarget for the one
    // from that layer back, layer by layer in ascending order.
    template <class OnSource, class OnTarget>
    void ForEachMatrixOf(std::int32_t LayerNum, OnSource onSource, OnTarget onTarget);
    // Every matrix's and layer's number set to its position.
    void Renumber();
    void RenumberNeurons(std::int32_t LayerNum);
    void CopyFrom(const TBasicNetwork& x);
    // Every matrix, the outer loop over source layers and the inner over target layers.
    template <class Action>
    void ForEachMatrix(Action action);
};
