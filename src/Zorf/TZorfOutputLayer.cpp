#include "Zorf/TZorfOutputLayer.h"

#include <array>
#include <string>
#include <typeinfo>
#include <utility>

#include "KQmessage/Check.h"
#include "KQmessage/NumberText.h"
#include "NeuralNets/TBasicNetwork.h"
#include "Zorf/TToOutputConnections.h"

namespace {

// An output's centre of gravity; 0 when no membership function is active or every active
// one is centred at 0.
double CentreOfGravity(const double* activations, const double* centres, std::int32_t count) {
    double numerator = 0.0;
    double denominator = 0.0;
    for (std::int32_t i = 0; i < count; ++i) {
        numerator += activations[i] * centres[i];
        denominator += activations[i];
    }
    if (numerator != 0.0 && denominator != 0.0) {
        return numerator / denominator;
    }
    return 0.0;
}

void RequireUnitRange(double ActActivation) {
    if ((ActActivation >= 0) && (ActActivation <= 1)) {
        return;
    }
    std::array<char, NumberText::kGeneralTextSize> text{};
    throw TOutputRangeFailure(ZorfCheck::FailureText("(ActActivation >= 0) && (ActActivation <= 1)",
                                                     ZorfCheck::SourceUnit(__FILE__), __LINE__),
                              std::string(NumberText::FormatGeneral(text, ActActivation, 6)));
}

}  // namespace

TOutputRangeFailure::TOutputRangeFailure(const std::string& check, std::string value)
    : TCheckFailure(check), shownValue(std::move(value)) {}

TZorfOutputLayer::TZorfOutputLayer(TBasicNetwork* owner, std::int32_t number, std::int32_t outputs)
    : TSimpleLayer(owner, number, outputs) {}

void TZorfOutputLayer::Compute(const double*) {
    const std::span<const double> centres = Centres();
    const double* activations = network->GetLayer(layerNum - 1)->GetValues();
    for (std::int32_t k = 0; k < numNeurons; ++k) {
        const std::int32_t first = groups.First(k);
        const double output =
            CentreOfGravity(activations + first, centres.data() + first, groups.Count(k));
        RequireUnitRange(output);
        values[static_cast<std::size_t>(k)] = output;
    }
}

const char* TZorfOutputLayer::GetLayerType() const {
    return "Defuzzify";
}

TBasicLayer* TZorfOutputLayer::Clone(TBasicNetwork* owner) const {
    auto* copy = new TZorfOutputLayer(owner, layerNum, numNeurons);
    copy->CopyLayerFrom(*this);
    copy->groups = groups;
    return copy;
}

std::int32_t TZorfOutputLayer::GetLayerKind() const {
    return 5;
}

// The counts come from a network file: every one is checked before anything changes.
void TZorfOutputLayer::SetMFs(std::int32_t numMFs, const std::int32_t* counts) {
    const std::span<const std::int32_t> mfCounts(counts, static_cast<std::size_t>(numNeurons));
    for (const std::int32_t NdxMF : mfCounts) {
        ZORF_CHECK(NdxMF >= 0);
    }
    if (TMFGroups::Total(mfCounts) != numMFs) {
        ZORF_REFUSE("sum of NdxMF == numMFs");
    }
    groups.Install(mfCounts);
}

std::int32_t TZorfOutputLayer::GetMFPosition(std::int32_t actionNode) const {
    ZORF_ASSERT(groups.HasMember(actionNode));
    return groups.Position(actionNode);
}

// A network file decides what sits below this layer and what connects the two.
std::span<const double> TZorfOutputLayer::Centres() const {
    ZORF_CHECK(HasMFs() && groups.GetNumGroups() == numNeurons);
    ZORF_CHECK(layerNum > 0);
    // The class is final: comparing the dynamic type is the cast's whole test, without the
    // search a cast makes on every row.
    const TBasicConnections& connections = network->GetConnections(layerNum - 1, layerNum);
    const auto* matrix = typeid(connections) == typeid(TToOutputConnections)
                             ? static_cast<const TToOutputConnections*>(&connections)
                             : nullptr;
    ZORF_CHECK(matrix != nullptr);
    ZORF_CHECK(network->GetLayer(layerNum - 1)->GetNumNeurons() == GetNumMFs());
    ZORF_CHECK(matrix->GetNumArcs() == GetNumMFs());
    return matrix->GetCentres();
}
