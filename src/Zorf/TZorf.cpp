#include "Zorf/TZorf.h"

#include <algorithm>
#include <array>
#include <string>
#include <typeinfo>

#include "DataObject/Data.h"
#include "KQmessage/Check.h"
#include "KQmessage/KQML.h"
#include "KQmessage/NumberText.h"
#include "KQmessage/TException.h"
#include "NeuralNets/TEmptyConnections.h"
#include "NeuralNets/TErrorObj.h"
#include "NeuralNets/TGridConnections.h"
#include "NeuralNets/TPackedPropagation.h"
#include "NeuralNets/TPrunedConnections.h"
#include "NeuralNets/TSimpleInputLayer.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TNonFiniteInput.h"
#include "Zorf/TToConditionConnections.h"
#include "Zorf/TToOutputConnections.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

constexpr const char* kInvalidWeightNumber = "Invalid weight number";
constexpr const char* kRecallOutputOnly = "TZorf::RecallOutputOnly";

[[noreturn]] void RefuseBadParameter(std::string_view message, const char* where) {
    throw TException(message, kBadParameter, where);
}

// The counts are checked before any real layer is built.
std::int32_t TotalMFs(std::span<const std::int32_t> counts, const char* message) {
    for (const std::int32_t NdxMF : counts) {
        if (NdxMF < 2) {
            RefuseBadParameter(message, "TZorf::TZorf");
        }
    }
    const std::int64_t total = TMFGroups::Total(counts);
    ZORF_ASSERT(total <= INT32_MAX);
    return static_cast<std::int32_t>(total);
}

std::span<const std::int32_t> CountsOf(const std::int32_t* counts, std::int32_t number) {
    return {counts, static_cast<std::size_t>(number)};
}

std::string Decimal(std::int32_t value) {
    std::array<char, NumberText::kIntegerTextSize> text{};
    return std::string(NumberText::FormatInteger(text, value));
}

// Rows that deliver a different number of values than the network takes would be read past
// their end or into the wrong inputs.
void RequireDelivered(std::int32_t delivered, std::int32_t expected, std::string_view what,
                      const char* where) {
    if (delivered != expected) {
        RefuseBadParameter("Data set rows deliver " + Decimal(delivered) + " " + std::string(what) +
                               ", the network takes " + Decimal(expected),
                           where);
    }
}

template <class T>
bool Is(const TBasicLayer* layer) {
    if (layer == nullptr) {
        return false;
    }
    const TBasicLayer& object = *layer;
    return typeid(object) == typeid(T);
}

// The rule and action layers sum their inputs from the layer below alone.
bool SumsFromBelowOnly(const TZorf& network, std::int32_t to) {
    for (std::int32_t from = 0; from < to - 1; ++from) {
        const TBasicConnections& matrix = network.GetConnections(from, to);
        if (typeid(matrix) != typeid(TEmptyConnections)) {
            return false;
        }
    }
    return dynamic_cast<const TGridConnections*>(&network.GetConnections(to - 1, to)) != nullptr;
}

}  // namespace

TZorf::TZorf() : TConnectedNetwork(kNumLayers) {}

TZorf::TZorf(std::int32_t numInputs, const std::int32_t* mfPerInput, std::int32_t numRules,
             const std::int32_t* mfPerOutput, std::int32_t numOutputs)
    : TConnectedNetwork(kNumLayers) {
    ZORF_ASSERT(numInputs >= 0 && numRules >= 0 && numOutputs >= 0);
    // Layer 0 keeps its placeholder: it has no neurons in a complete network either.
    for (std::int32_t k = 0; k < kNumLayers; ++k) {
        SetLayer(k, new TSimpleLayer(this, k, 0));
    }
    const std::int32_t numConditions =
        TotalMFs(CountsOf(mfPerInput, numInputs), "Must be >= 2 MF per input");
    const std::int32_t numActions =
        TotalMFs(CountsOf(mfPerOutput, numOutputs), "Must be >= 2 MF per output");

    SetLayer(kInputLayer, new TSimpleInputLayer(this, kInputLayer, numInputs));
    auto* conditions = new TConditionLayer(this, kConditionLayer, numConditions);
    SetLayer(kConditionLayer, conditions);
    conditions->SetMFs(numInputs, mfPerInput);
    SetLayer(kRuleLayer, new TSimpleLayer(this, kRuleLayer, numRules));
    SetLayer(kActionLayer, new TSimpleLayer(this, kActionLayer, numActions));
    auto* outputs = new TZorfOutputLayer(this, kOutputLayer, numOutputs);
    SetLayer(kOutputLayer, outputs);
    outputs->SetMFs(numActions, mfPerOutput);

    const std::array<const char*, kNumLayers> functions = {nullptr,   "linear",  "Zorf-condition",
                                                           "sigmoid", "sigmoid", "cog"};
    for (std::int32_t k = kInputLayer; k <= kOutputLayer; ++k) {
        GetLayer(k)->SetActivationFunction(
            GetFnRegistry().GetFunction(functions[static_cast<std::size_t>(k)]));
    }
    for (std::int32_t k = kInputLayer; k < kOutputLayer; ++k) {
        ConnectLayers(k, k + 1);
    }
}

void TZorf::ConnectLayers(std::int32_t from, std::int32_t to) {
    if (GetConnections(from, to).IsConnected()) {
        return;
    }
    if (from == kInputLayer && to == kConditionLayer) {
        SetConnections(from, to, new TToConditionConnections(this, from, to));
    } else if (from == kActionLayer && to == kOutputLayer) {
        SetConnections(from, to, new TToOutputConnections(this, from, to));
    } else {
        SetConnections(from, to, new TPrunedConnections(this, from, to));
    }
}

const char* TZorf::GetNetworkType() const {
    return "Zorf";
}

TZorfArchitecture TZorf::GetArchitecture() const {
    const std::span<const std::int32_t> mfPerInput = ConditionLayer().GetMFCounts();
    const std::span<const std::int32_t> mfPerOutput = DefuzzifyLayer().GetMFCounts();
    return TZorfArchitecture{
        .numInputs = GetLayer(kInputLayer)->GetNumNeurons(),
        .numConditions = GetLayer(kConditionLayer)->GetNumNeurons(),
        .mfPerInput = std::vector<std::int32_t>(mfPerInput.begin(), mfPerInput.end()),
        .numRules = GetLayer(kRuleLayer)->GetNumNeurons(),
        .numActions = GetLayer(kActionLayer)->GetNumNeurons(),
        .mfPerOutput = std::vector<std::int32_t>(mfPerOutput.begin(), mfPerOutput.end()),
        .numOutputs = GetLayer(kOutputLayer)->GetNumNeurons(),
    };
}

void TZorf::InitializeWeights(double Minimum, double Maximum) {
    ZORF_ASSERT(Minimum <= Maximum);
    TConditionLayer& conditions = ConditionLayer();
    conditions.SetDefaultCentres(conditions.GetNumInputs());
    GetConnections(kConditionLayer, kRuleLayer).RandomizeWeights(Minimum, Maximum);
    GetConnections(kRuleLayer, kActionLayer).RandomizeWeights(Minimum, Maximum);
    auto* centres =
        dynamic_cast<TToOutputConnections*>(&GetConnections(kActionLayer, kOutputLayer));
    ZORF_CHECK(centres != nullptr);
    centres->SetDefaultOutputCentres();
}

double TZorf::GetWeightValue(std::int32_t weightLayer, std::int32_t from, std::int32_t to) {
    return WeightAt(weightLayer, from, to, "TZorf::GetWeightValue");
}

void TZorf::SetWeightValue(std::int32_t weightLayer, std::int32_t from, std::int32_t to,
                           double weight) {
    WeightAt(weightLayer, from, to, "TZorf::SetWeightValue") = weight;
}

std::vector<double> TZorf::GetWeightLayer(std::int32_t weightLayer) {
    const std::vector<double*> locations = LayoutWeights(weightLayer, "TZorf::GetWeightLayer");
    std::vector<double> weights(locations.size());
    for (std::size_t i = 0; i < locations.size(); ++i) {
        weights[i] = *locations[i];
    }
    return weights;
}

void TZorf::SetWeightLayer(std::int32_t weightLayer, std::span<const double> weights) {
    const std::vector<double*> locations = LayoutWeights(weightLayer, "TZorf::SetWeightLayer");
    ZORF_ASSERT(weights.size() >= locations.size());
    for (std::size_t i = 0; i < locations.size(); ++i) {
        *locations[i] = weights[i];
    }
}

void TZorf::FreezeWeight(std::int32_t weightLayer, std::int32_t to, std::int32_t from) {
    SetTrainable(weightLayer, to, from, false, "TZorf::FreezeWeight");
}

void TZorf::UnfreezeWeight(std::int32_t weightLayer, std::int32_t to, std::int32_t from) {
    SetTrainable(weightLayer, to, from, true, "TZorf::UnfreezeWeight");
}

bool TZorf::WeightExists(std::int32_t weightLayer, std::int32_t from, std::int32_t to) {
    const char* where = "TZorf::WeightExists";
    TBasicConnections& matrix = WeightMatrix(weightLayer, where);
    if (!IsNode(weightLayer, from) || !IsNode(weightLayer + 1, to)) {
        RefuseBadParameter("Invalid node number", where);
    }
    return matrix.IsValid(from, to);
}

double TZorf::GetActivationValue(std::int32_t nodeLayer, std::int32_t node) const {
    if (nodeLayer < 0 || nodeLayer >= numLayers || !IsNode(nodeLayer, node)) {
        RefuseBadParameter("Invalid node layer", "TZorf::GetActivationValue");
    }
    return GetLayer(nodeLayer)->GetValues()[node];
}

std::unique_ptr<Data> TZorf::Recall(Data* data) {
    return RecallInto(data, TRecallForm::WithInputs, "TZorf::Recall");
}

std::unique_ptr<Data> TZorf::RecallOutputOnly(Data* data) {
    return RecallInto(data, TRecallForm::OutputsOnly, kRecallOutputOnly);
}

double TZorf::RecallOutputOnly(Data* data, TRmsError) {
    RequireRecallable(data, true, kRecallOutputOnly);
    TErrorRMSObj measure(NumOutputs());
    ForEachRow(*data, true, [&](const TRowBuffers& row) {
        measure.AddPattern(row.expected.data(), row.generated.data());
    });
    return measure.GetError();
}

void TZorf::RequireRecallableRows(const Data* data) const {
    RequireRecallable(data, false, kRecallOutputOnly);
}

void TZorf::RequireRecallableInputs(std::int64_t delivered) const {
    RequireDelivered(static_cast<std::int32_t>(std::min<std::int64_t>(delivered, INT32_MAX)),
                     NumInputs(), "inputs", kRecallOutputOnly);
}

bool TZorf::HasStandardShape() const {
    return GetNumLayers() == kNumLayers && GetInLayer() == kInputLayer &&
           GetOutLayer() == kOutputLayer && GetLayer(0) != nullptr &&
           GetLayer(0)->GetNumNeurons() == 0 && Is<TSimpleInputLayer>(GetLayer(kInputLayer)) &&
           Is<TConditionLayer>(GetLayer(kConditionLayer)) &&
           Is<TSimpleLayer>(GetLayer(kRuleLayer)) && Is<TSimpleLayer>(GetLayer(kActionLayer)) &&
           Is<TZorfOutputLayer>(GetLayer(kOutputLayer)) && SumsFromBelowOnly(*this, kRuleLayer) &&
           SumsFromBelowOnly(*this, kActionLayer);
}

TConditionLayer* TZorf::GetConditionLayer() const {
    return dynamic_cast<TConditionLayer*>(GetLayer(kConditionLayer));
}

TZorfOutputLayer* TZorf::GetDefuzzifyLayer() const {
    return dynamic_cast<TZorfOutputLayer*>(GetLayer(kOutputLayer));
}

std::unique_ptr<Data> TZorf::RecallInto(Data* data, TRecallForm form, const char* where) {
    RequireRecallable(data, false, where);
    const bool withInputs = form == TRecallForm::WithInputs;
    auto result = std::make_unique<Data>(data->MbrNdxDataRows, withInputs ? NumInputs() : 0,
                                         NumOutputs(), false);
    ForEachRow(*data, false, [&](const TRowBuffers& row) {
        result->AppendRow(
            withInputs ? std::span<const double>(row.inputs) : std::span<const double>(),
            row.generated, nullptr);
    });
    return result;
}

void TZorf::RequireRecallable(const Data* data, bool withExpected, const char* where) const {
    if (data == nullptr) {
        throw TException("Null data pointer", kNullPointerParameter, where);
    }
    RequireDelivered(data->GetNumSelectedInputs(), NumInputs(), "inputs", where);
    if (withExpected) {
        RequireDelivered(data->GetNumSelectedOutputs(), NumOutputs(), "outputs", where);
    }
}

template <class Action>
void TZorf::ForEachRow(Data& data, bool withExpected, Action action) {
    TRowBuffers row;
    row.inputs.resize(static_cast<std::size_t>(NumInputs()));
    row.expected.resize(withExpected ? static_cast<std::size_t>(NumOutputs()) : 0);
    row.generated.resize(static_cast<std::size_t>(NumOutputs()));
    data.Rewind();
    const TPackedPropagation packing(*this);
    for (std::int32_t r = 0; r < data.MbrNdxDataRows; ++r) {
        data.GetNext(row.inputs, row.expected);
        if (const std::optional<std::size_t> bad =
                FirstNonFinite(row.inputs.data(), row.inputs.size())) {
            throw TNonFiniteInput(r, static_cast<std::int64_t>(*bad));
        }
        Propagate(row.inputs.data(), row.generated.data());
        action(row);
    }
}

std::int32_t TZorf::NumInputs() const {
    return LayerSize(inLayer);
}

std::int32_t TZorf::NumOutputs() const {
    return LayerSize(outLayer);
}

// A network file may leave a slot empty.
std::int32_t TZorf::LayerSize(std::int32_t k) const {
    const TBasicLayer* layer = GetLayer(k);
    ZORF_CHECK(layer != nullptr);
    return layer->GetNumNeurons();
}

bool TZorf::IsNode(std::int32_t k, std::int32_t node) const {
    return node >= 0 && node < LayerSize(k);
}

// A network file may put other layers into the fuzzy layers' slots.
TConditionLayer& TZorf::ConditionLayer() const {
    TConditionLayer* layer = GetConditionLayer();
    ZORF_CHECK(layer != nullptr);
    return *layer;
}

TZorfOutputLayer& TZorf::DefuzzifyLayer() const {
    TZorfOutputLayer* layer = GetDefuzzifyLayer();
    ZORF_CHECK(layer != nullptr);
    return *layer;
}

TBasicConnections& TZorf::WeightMatrix(std::int32_t weightLayer, const char* where) const {
    if (weightLayer < kConditionCentres || weightLayer > kOutputCentres) {
        RefuseBadParameter("Invalid weight layer", where);
    }
    return GetConnections(weightLayer, weightLayer + 1);
}

// Arcs of the fuzzy layers' matrices must exist; any pair of the pruneable ones is
// addressable, existing or not.
double& TZorf::WeightAt(std::int32_t weightLayer, std::int32_t from, std::int32_t to,
                        const char* where) {
    TBasicConnections& matrix = WeightMatrix(weightLayer, where);
    const bool fuzzy = weightLayer == kConditionCentres || weightLayer == kOutputCentres;
    if (!IsNode(weightLayer, from) || !IsNode(weightLayer + 1, to) || !matrix.IsConnected() ||
        (fuzzy && !matrix.IsValid(from, to))) {
        RefuseBadParameter(kInvalidWeightNumber, where);
    }
    return matrix.GetWeight(from, to);
}

template <class Visit>
void TZorf::ForEachLayoutArc(std::int32_t weightLayer, const char* where, Visit visit) {
    WeightMatrix(weightLayer, where);
    if (weightLayer == kConditionCentres) {
        const TMFGroups& groups = ConditionLayer().GetMFGroups();
        for (std::int32_t j = 0; j < groups.GetNumMembers(); ++j) {
            visit(groups.GroupOf(j), j);
        }
    } else if (weightLayer == kOutputCentres) {
        const TMFGroups& groups = DefuzzifyLayer().GetMFGroups();
        for (std::int32_t i = 0; i < groups.GetNumMembers(); ++i) {
            visit(i, groups.GroupOf(i));
        }
    } else {
        for (std::int32_t from = 0; from < LayerSize(weightLayer); ++from) {
            for (std::int32_t to = 0; to < LayerSize(weightLayer + 1); ++to) {
                visit(from, to);
            }
        }
    }
}

std::vector<double*> TZorf::LayoutWeights(std::int32_t weightLayer, const char* where) {
    std::vector<double*> locations;
    ForEachLayoutArc(weightLayer, where, [&](std::int32_t from, std::int32_t to) {
        locations.push_back(&WeightAt(weightLayer, from, to, where));
    });
    return locations;
}

std::vector<std::uint8_t> TZorf::GetFrozenLayer(std::int32_t weightLayer) {
    const char* where = "TZorf::GetFrozenLayer";
    TBasicConnections& matrix = WeightMatrix(weightLayer, where);
    std::vector<std::uint8_t> frozen;
    ForEachLayoutArc(weightLayer, where, [&](std::int32_t from, std::int32_t to) {
        const bool trainable = weightLayer == kConditionCentres
                                   ? ConditionLayer().Node(to).trainable != 0
                                   : (matrix.GetFlags(from, to) & FMaskTrainable) != 0;
        frozen.push_back(matrix.IsValid(from, to) && !trainable ? 1 : 0);
    });
    return frozen;
}

void TZorf::SetFrozenLayer(std::int32_t weightLayer, std::span<const std::uint8_t> frozen) {
    const char* where = "TZorf::SetFrozenLayer";
    TBasicConnections& matrix = WeightMatrix(weightLayer, where);
    std::size_t next = 0;
    ForEachLayoutArc(weightLayer, where, [&](std::int32_t from, std::int32_t to) {
        ZORF_ASSERT(next < frozen.size());
        // Only existing arcs carry a trainable flag; the others stay absent.
        if (matrix.IsValid(from, to)) {
            SetTrainable(weightLayer, to, from, frozen[next] == 0, where);
        }
        ++next;
    });
}

// Weight layer 1 keeps its trainable flags in the condition nodes, the others in their
// matrices.
void TZorf::SetTrainable(std::int32_t weightLayer, std::int32_t to, std::int32_t from,
                         bool trainable, const char* where) {
    TBasicConnections& matrix = WeightMatrix(weightLayer, where);
    if (weightLayer == kConditionCentres) {
        if (!IsNode(kConditionLayer, to)) {
            RefuseBadParameter(kInvalidWeightNumber, where);
        }
        ConditionLayer().Node(to).trainable = trainable ? 1 : 0;
        return;
    }
    if (!IsNode(weightLayer, from) || !IsNode(weightLayer + 1, to) || !matrix.IsConnected()) {
        RefuseBadParameter(kInvalidWeightNumber, where);
    }
    if (trainable) {
        matrix.Unfreeze(from, to);
    } else {
        matrix.Freeze(from, to);
    }
}
