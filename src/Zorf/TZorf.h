#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "NeuralNets/TConnectedNetwork.h"
#include "Zorf/ZorfDataInfo.h"

class Data;
class TConditionLayer;
class TZorfOutputLayer;

// The sizes of a TZorf's layers and its membership-function counts.
struct ZORF_EXPORT TZorfArchitecture {
    std::int32_t numInputs = 0;
    std::int32_t numConditions = 0;
    std::vector<std::int32_t> mfPerInput;
    std::int32_t numRules = 0;
    std::int32_t numActions = 0;
    std::vector<std::int32_t> mfPerOutput;
    std::int32_t numOutputs = 0;
};

// The six-layer fuzzy network: 0 an empty layer, 1 the inputs, 2 the condition layer that
// fuzzifies each input, 3 the rules, 4 one action node per output membership function,
// 5 the outputs, defuzzified by centre of gravity.
//
// Weight layers 1 to 4 name the connected pairs 1->2, 2->3, 3->4 and 4->5. Bad arguments of
// the weight access and recall operations raise TException before anything changes.
class ZORF_EXPORT TZorf : public TConnectedNetwork {
  public:
    // The layers by number, for callers that address them (the network file, the programs).
    static constexpr std::int32_t kNumLayers = 6;
    static constexpr std::int32_t kInputLayer = 1;
    static constexpr std::int32_t kConditionLayer = 2;
    static constexpr std::int32_t kRuleLayer = 3;
    static constexpr std::int32_t kActionLayer = 4;
    static constexpr std::int32_t kOutputLayer = 5;
    // The weight layers, each named by the layer its arcs come from.
    static constexpr std::int32_t kConditionCentres = kInputLayer;
    static constexpr std::int32_t kRuleWeights = kConditionLayer;
    static constexpr std::int32_t kActionWeights = kRuleLayer;
    static constexpr std::int32_t kOutputCentres = kActionLayer;

    // Selects the error form of RecallOutputOnly.
    struct TRmsError {};
    static constexpr TRmsError RmsError{};

    // Six layer slots and no layers: the network file reader installs them one by one.
    TZorf();
    // The whole network, with the default centres of the inputs' membership functions; the
    // output centres (weight layer 4) are 0 until InitializeWeights or a weight setter runs.
    // Raises TException for a membership-function count below 2, before building anything.
    TZorf(std::int32_t numInputs, const std::int32_t* mfPerInput, std::int32_t numRules,
          const std::int32_t* mfPerOutput, std::int32_t numOutputs);

    // The pairs (1, 2) and (4, 5) get the matrices of the fuzzy layers, every other pair a
    // pruneable one.
    void ConnectLayers(std::int32_t from, std::int32_t to) override;
    const char* GetNetworkType() const override;

    TZorfArchitecture GetArchitecture() const;
    // Default centres for both fuzzy layers and weights drawn from [Minimum, Maximum) for the
    // trainable arcs of the rule and action layers.
    void InitializeWeights(double Minimum, double Maximum);

    double GetWeightValue(std::int32_t weightLayer, std::int32_t from, std::int32_t to);
    void SetWeightValue(std::int32_t weightLayer, std::int32_t from, std::int32_t to,
                        double weight);
    // Weight layer 1: the centre of each condition node; 2 and 3: every (from, to) pair,
    // from-major, whether the arc exists or not; 4: the centre of each action node.
    std::vector<double> GetWeightLayer(std::int32_t weightLayer);
    // Reads as many weights as GetWeightLayer returns, in its layout.
    void SetWeightLayer(std::int32_t weightLayer, std::span<const double> weights);
    // Note the order of the node numbers.
    void FreezeWeight(std::int32_t weightLayer, std::int32_t to, std::int32_t from);
    void UnfreezeWeight(std::int32_t weightLayer, std::int32_t to, std::int32_t from);
    // 1 for each weight of GetWeightLayer's layout that belongs to an existing arc and is
    // frozen, 0 for every other one.
    std::vector<std::uint8_t> GetFrozenLayer(std::int32_t weightLayer);
    // Freezes (non-zero) or unfreezes (0) each existing arc of the layout from as many flags as
    // GetWeightLayer returns weights; absent arcs stay absent.
    void SetFrozenLayer(std::int32_t weightLayer, std::span<const std::uint8_t> frozen);
    bool WeightExists(std::int32_t weightLayer, std::int32_t from, std::int32_t to);
    double GetActivationValue(std::int32_t nodeLayer, std::int32_t node) const;

    // One result row per stored row of the data set: its inputs and the generated outputs
    // (Recall), or the generated outputs only (RecallOutputOnly). The rows must deliver as
    // many inputs as the network has, after feature selection.
    std::unique_ptr<Data> Recall(Data* data);
    std::unique_ptr<Data> RecallOutputOnly(Data* data);
    // The root mean square error of the generated outputs against the rows' expected
    // outputs, of which the rows must deliver as many as the network has outputs.
    double RecallOutputOnly(Data* data, TRmsError);
    // What RecallOutputOnly refuses before it reads a row, for callers that recall row by row
    // (propagating each row inside a TPackedPropagation): a missing data set, and rows that
    // deliver another number of inputs than the network takes.
    void RequireRecallableRows(const Data* data) const;
    // The same for rows of `delivered` inputs held elsewhere (arrays of the caller's).
    void RequireRecallableInputs(std::int64_t delivered) const;

    // Whether the network has the shape MakeZorf builds: input, condition, rule, action and
    // defuzzifying layers, the rule and action layers fed by the layer below alone through a
    // grid of weights. A network file may build others, which propagate all the same.
    bool HasStandardShape() const;

    // The two fuzzy layers, or null when the slot holds another kind of layer.
    TConditionLayer* GetConditionLayer() const;
    TZorfOutputLayer* GetDefuzzifyLayer() const;

    // The data the network was made for, as the network file records it; empty for a file
    // that records none.
    const TZorfDataInfo& DataInfo() const { return dataInfo; }
    void SetDataInfo(TZorfDataInfo info) { dataInfo = std::move(info); }

  private:
    TZorfDataInfo dataInfo;
    enum class TRecallForm { WithInputs, OutputsOnly };
    // One row's values: the inputs read, the expected outputs read (error form only) and
    // the outputs generated.
    struct TRowBuffers {
        std::vector<double> inputs;
        std::vector<double> expected;
        std::vector<double> generated;
    };

    std::unique_ptr<Data> RecallInto(Data* data, TRecallForm form, const char* where);
    // Refuses a missing data set, and rows that deliver other numbers of values than the
    // network takes, before any row is read.
    void RequireRecallable(const Data* data, bool withExpected, const char* where) const;
    // Propagates every stored row of the data set, oldest first, and hands action the row.
    template <class Action>
    void ForEachRow(Data& data, bool withExpected, Action action);

    std::int32_t NumInputs() const;
    std::int32_t NumOutputs() const;
    std::int32_t LayerSize(std::int32_t k) const;
    bool IsNode(std::int32_t k, std::int32_t node) const;
    TConditionLayer& ConditionLayer() const;
    TZorfOutputLayer& DefuzzifyLayer() const;

    // The matrix of a weight layer, which must be 1 to 4 (else TException, where `where`).
    TBasicConnections& WeightMatrix(std::int32_t weightLayer, const char* where) const;
    // The weight of an arc a weight-access operation may address.
    double& WeightAt(std::int32_t weightLayer, std::int32_t from, std::int32_t to,
                     const char* where);
    // The weights of a weight layer in the layout of GetWeightLayer, all checked.
    // Hands visit(from, to) every arc of a weight layer in the layout of GetWeightLayer.
    template <class Visit>
    void ForEachLayoutArc(std::int32_t weightLayer, const char* where, Visit visit);
    std::vector<double*> LayoutWeights(std::int32_t weightLayer, const char* where);
    void SetTrainable(std::int32_t weightLayer, std::int32_t to, std::int32_t from, bool trainable,
                      const char* where);
};
