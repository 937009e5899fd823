// Weight visitors: a matrix walks its arcs and hands each one to Visit. The fields are set by
// the matrix, the per-matrix ones once through Prepare, the others for every arc.
#pragma once

#include <cstdint>

class TBasicConnections;
class TBasicLayer;
class TBasicNetwork;

class TIterateObj {
  public:
    std::int32_t fromLayer = 0;
    std::int32_t toLayer = 0;
    std::int32_t fromNode = 0;
    std::int32_t toNode = 0;
    TBasicConnections* conns = nullptr;
    double* weight = nullptr;
    std::uint8_t trainable = 0;
    TBasicLayer* fromLayerObj = nullptr;
    TBasicLayer* toLayerObj = nullptr;
    double* fromValues = nullptr;
    double* toValues = nullptr;

    virtual void Visit();

    void Prepare(TBasicLayer* from, TBasicLayer* to);
    void Prepare(TBasicNetwork* network, std::int32_t from, std::int32_t to);
};

class TIterateObjGetNumWeights : public TIterateObj {
  public:
    std::int32_t count = 0;

    void Visit() override;
};

class TIterateObjGetWeights : public TIterateObj {
  public:
    std::int32_t count = 0;
    double* cursor;

    explicit TIterateObjGetWeights(double* buffer) : cursor(buffer) {}
    void Visit() override;
};

class TIterateObjSetWeights : public TIterateObj {
  public:
    std::int32_t count = 0;
    const double* cursor;

    explicit TIterateObjSetWeights(const double* buffer) : cursor(buffer) {}
    void Visit() override;
};

class TIterateObjRandomize : public TIterateObj {
  public:
    double low;
    double high;

    TIterateObjRandomize(double rangeLow, double rangeHigh) : low(rangeLow), high(rangeHigh) {}
    void Visit() override;
};

// Sums weight x source value over the visited arcs.
class TIterateObjAggregate : public TIterateObj {
  public:
    double sum = 0.0;

    void Visit() override;
};

class TIterateObjGetFlags : public TIterateObj {
  public:
    std::int32_t count = 0;
    std::uint8_t* flags;

    explicit TIterateObjGetFlags(std::uint8_t* buffer) : flags(buffer) {}
    void Visit() override;
};

class TIterateObjSetFlags : public TIterateObj {
  public:
    std::int32_t count = 0;
    const std::uint8_t* flags;

    explicit TIterateObjSetFlags(const std::uint8_t* buffer) : flags(buffer) {}
    void Visit() override;
};

class TIterateObjAllUntrainable : public TIterateObj {
  public:
    void Visit() override;
};

// Counts the outgoing arcs of a neuron; its user resets count before each walk.
class TIterateObjPruneNode : public TIterateObj {
  public:
    std::int32_t count = 0;

    void Visit() override;
};

// The base of visitors that walk the same arcs of two networks of identical structure in
// step, for learning rules that update several weight sets at once.
class TIterateObj2 {
  public:
    std::int32_t fromLayer = 0;
    std::int32_t toLayer = 0;
    std::int32_t fromNode = 0;
    std::int32_t toNode = 0;
    TBasicConnections* conns1 = nullptr;
    TBasicConnections* conns2 = nullptr;
    double* weight1 = nullptr;
    double* weight2 = nullptr;
    std::uint8_t trainable = 0;
    TBasicLayer* fromLayerObj1 = nullptr;
    TBasicLayer* toLayerObj1 = nullptr;
    TBasicLayer* fromLayerObj2 = nullptr;
    TBasicLayer* toLayerObj2 = nullptr;
    double* fromValues1 = nullptr;
    double* toValues1 = nullptr;
    double* fromValues2 = nullptr;
    double* toValues2 = nullptr;

    TIterateObj2() = default;
    TIterateObj2(std::int32_t startFrom, std::int32_t startTo)
        : fromNode(startFrom), toNode(startTo) {}

    virtual void Visit();

    // The two networks' matrices for the pair must be of the same class.
    void Prepare(TBasicNetwork* first, TBasicNetwork* second, std::int32_t from, std::int32_t to);
};

// As TIterateObj2, for three networks.
class TIterateObj3 {
  public:
    std::int32_t fromLayer = 0;
    std::int32_t toLayer = 0;
    std::int32_t fromNode = 0;
    std::int32_t toNode = 0;
    TBasicConnections* conns1 = nullptr;
    TBasicConnections* conns2 = nullptr;
    TBasicConnections* conns3 = nullptr;
    double* weight1 = nullptr;
    double* weight2 = nullptr;
    double* weight3 = nullptr;
    std::uint8_t trainable = 0;
    TBasicLayer* fromLayerObj1 = nullptr;
    TBasicLayer* toLayerObj1 = nullptr;
    TBasicLayer* fromLayerObj2 = nullptr;
    TBasicLayer* toLayerObj2 = nullptr;
    TBasicLayer* fromLayerObj3 = nullptr;
    TBasicLayer* toLayerObj3 = nullptr;
    double* fromValues1 = nullptr;
    double* toValues1 = nullptr;
    double* fromValues2 = nullptr;
    double* toValues2 = nullptr;
    double* fromValues3 = nullptr;
    double* toValues3 = nullptr;

    TIterateObj3() = default;
    TIterateObj3(std::int32_t startFrom, std::int32_t startTo)
        : fromNode(startFrom), toNode(startTo) {}

    virtual void Visit();

    // The three networks' matrices for the pair must be of the same class.
    void Prepare(TBasicNetwork* first, TBasicNetwork* second, TBasicNetwork* third,
                 std::int32_t from, std::int32_t to);
};
