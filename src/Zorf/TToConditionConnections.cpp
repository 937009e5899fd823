#include "Zorf/TToConditionConnections.h"

#include "KQmessage/Check.h"
#include "NeuralNets/TBasicNetwork.h"
#include "Zorf/TConditionLayer.h"

namespace {

std::int32_t ArcsInto(TBasicNetwork* owner, std::int32_t from, std::int32_t to) {
    const auto* layer = dynamic_cast<const TConditionLayer*>(owner->GetLayer(to));
    ZORF_CHECK(layer != nullptr && layer->HasMFs());
    const TBasicLayer* inputs = owner->GetLayer(from);
    ZORF_CHECK(inputs != nullptr && inputs->GetNumNeurons() >= layer->GetNumInputs());
    return layer->GetNumNeurons();
}

}  // namespace

TToConditionConnections::TToConditionConnections(TBasicNetwork* owner, std::int32_t from,
                                                 std::int32_t to)
    : TMembershipConnections(owner, from, to, TMemberSide::Target, ArcsInto(owner, from, to)) {}

TToConditionConnections::TToConditionConnections(TBasicNetwork* owner,
                                                 const TToConditionConnections& source)
    : TMembershipConnections(owner, source.fromLayer, source.toLayer, TMemberSide::Target,
                             source.GetNumArcs()) {}

const char* TToConditionConnections::GetConnectionsNType() const {
    return "ToConditionConnections";
}

TBasicConnections* TToConditionConnections::Clone(TBasicNetwork* owner) const {
    return new TToConditionConnections(owner, *this);
}

const TMFGroups& TToConditionConnections::Groups() const {
    return Layer().GetMFGroups();
}

double& TToConditionConnections::MemberWeight(std::int32_t member) {
    return Layer().Node(member).centre;
}

// The layer's class was checked when the matrix was made for it.
TConditionLayer& TToConditionConnections::Layer() const {
    return static_cast<TConditionLayer&>(*network->GetLayer(toLayer));
}
