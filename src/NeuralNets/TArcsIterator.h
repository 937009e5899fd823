#pragma once

#include "KQmessage/Export.h"

#include <cstdint>

class TBasicNeuron;

// Pulls the incoming arcs of one neuron, forwards and backwards, exposing the current arc.
// An iterator holds plain pointers into its network and means nothing after the network's
// structure changes.
class ZORF_EXPORT TArcsIterator {
  public:
    TArcsIterator() = default;
    TArcsIterator(const TArcsIterator&) = default;
    TArcsIterator& operator=(const TArcsIterator&) = default;
    virtual ~TArcsIterator() = default;

    virtual std::int32_t GetFromLayer() const = 0;
    virtual std::int32_t GetToLayer() const = 0;
    virtual std::int32_t GetFromNode() const = 0;
    virtual std::int32_t GetToNode() const = 0;
    virtual TBasicNeuron* GetToNeuron() const = 0;
    // Null while the iterator stands on no arc.
    virtual TBasicNeuron* GetFromNeuron() const = 0;
    // The current arc's weight, readable and writable; null while on no arc.
    virtual double* GetWeightPtr() const = 0;
    virtual bool HasArc() const = 0;
    // Moves to the next or previous arc; false, without moving, when there is none.
    virtual bool Next() = 0;
    virtual bool Prev() = 0;
};
