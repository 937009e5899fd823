#include "Zorf/TConditionLayer.h"

#include <typeinfo>

#include "KQmessage/Check.h"
#include "NeuralNets/ActFunctions.h"
#include "NeuralNets/TBasicNetwork.h"

double TConditionNeuron::Membership(double x) const {
    const double c = centre;
    if (left == nullptr && x <= c) {
        return 1.0;
    }
    if (right == nullptr && x >= c) {
        return 1.0;
    }
    // Each test below implies a positive divisor.
    if (right != nullptr && x >= c && x < right->centre) {
        return 1.0 - (x - c) / (right->centre - c);
    }
    if (left != nullptr && x <= c && x > left->centre) {
        return 1.0 - (c - x) / (c - left->centre);
    }
    return 0.0;
}

namespace {

// The rule behind ActFunctions::ZorfCondition. A network file can name that function for any
// layer, so a neuron without a membership function is refused rather than misread.
void ConditionMembership(TBasicNeuron& neuron, double netInput) {
    if (typeid(neuron) != typeid(TConditionNeuron)) {
        ZORF_REFUSE("typeid(neuron) == typeid(TConditionNeuron)");
    }
    *neuron.value = static_cast<const TConditionNeuron&>(neuron).Membership(netInput);
}

}  // namespace

TConditionLayer::TConditionLayer(TBasicNetwork* owner, std::int32_t number, std::int32_t count)
    : TNeuronArrayLayer(owner, number, count) {
    ActFunctions::SetConditionRule(ConditionMembership);
    SetActivationFunction(ActFunctions::ZorfCondition);
}

// A network file decides which layer sits below, and whether SetMFs ran at all.
void TConditionLayer::Compute(const double*) {
    ZORF_CHECK(HasMFs());
    ZORF_CHECK(layerNum > 0);
    const TBasicLayer& below = *network->GetLayer(layerNum - 1);
    ZORF_CHECK(below.GetNumNeurons() >= GetNumInputs());
    const double* inputs = below.GetValues();
    const std::span<const std::int32_t> inputOf = GetInputOf();
    // When every node carries the membership function, as it does unless a network file says
    // otherwise, the degrees are computed here rather than by a call per node.
    if (actFunction == ActFunctions::ZorfCondition) {
        for (std::size_t j = 0; j < inputOf.size(); ++j) {
            values[j] = nodes[j].Membership(inputs[inputOf[j]]);
        }
        return;
    }
    for (std::size_t j = 0; j < inputOf.size(); ++j) {
        values[j] = inputs[inputOf[j]];
    }
    ApplyActivation(values.data());
}

const char* TConditionLayer::GetLayerType() const {
    return "FuzzyCondition";
}

TBasicLayer* TConditionLayer::Clone(TBasicNetwork* owner) const {
    auto* copy = new TConditionLayer(owner, layerNum, numNeurons);
    copy->CopyLayerFrom(*this);
    copy->groups = groups;
    copy->LinkNeighbours();
    return copy;
}

// The nodes follow the membership functions, which a single node cannot leave.
void TConditionLayer::DeleteNeuron(std::int32_t) {}

void TConditionLayer::InsertNeuron(std::int32_t) {
    ZORF_FAIL("false");
}

std::int32_t TConditionLayer::GetLayerKind() const {
    return 4;
}

// The counts come from a network file: every one is checked before anything changes.
void TConditionLayer::SetMFs(std::int32_t numInputs, const std::int32_t* counts) {
    ZORF_CHECK(numInputs >= 0);
    const std::span<const std::int32_t> mfCounts(counts, static_cast<std::size_t>(numInputs));
    for (const std::int32_t NdxMF : mfCounts) {
        ZORF_CHECK(NdxMF >= 2);
    }
    if (TMFGroups::Total(mfCounts) != numNeurons) {
        ZORF_REFUSE("sum of NdxMF == numNeurons");
    }
    groups.Install(mfCounts);
    SetActivationFunction(ActFunctions::ZorfCondition);
    LinkNeighbours();
    SetDefaultCentres(numInputs);
}

void TConditionLayer::SetDefaultCentres(std::int32_t numInputs) {
    ZORF_ASSERT(numInputs >= 0 && numInputs <= GetNumInputs());
    for (const std::int32_t NdxMF : GetMFCounts().first(static_cast<std::size_t>(numInputs))) {
        ZORF_CHECK(NdxMF >= 2);
    }
    groups.SpreadEvenly(numInputs, [this](std::int32_t j, std::int32_t, double centre) {
        Node(j).centre = centre;
    });
}

std::vector<std::int32_t> TConditionLayer::GetInputMFNodes(std::int32_t input) const {
    ZORF_ASSERT(input >= 0 && input < GetNumInputs());
    std::vector<std::int32_t> members(static_cast<std::size_t>(groups.Count(input)));
    for (std::size_t k = 0; k < members.size(); ++k) {
        members[k] = groups.First(input) + static_cast<std::int32_t>(k);
    }
    return members;
}

std::int32_t TConditionLayer::GetMFPosition(std::int32_t node) const {
    ZORF_ASSERT(groups.HasMember(node));
    return groups.Position(node);
}

// Each input's nodes form a chain from its leftmost membership function to its rightmost.
void TConditionLayer::LinkNeighbours() {
    for (std::int32_t j = 0; j < groups.GetNumMembers(); ++j) {
        const bool first = groups.Position(j) == 0;
        const bool last = groups.Position(j) == groups.Count(groups.GroupOf(j)) - 1;
        Node(j).left = first ? nullptr : &Node(j - 1);
        Node(j).right = last ? nullptr : &Node(j + 1);
    }
}
