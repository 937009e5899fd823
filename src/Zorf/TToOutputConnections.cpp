#include "Zorf/TToOutputConnections.h"

#include "KQmessage/Check.h"
#include "NeuralNets/TBasicNetwork.h"
#include "Zorf/TZorfOutputLayer.h"

namespace {

std::int32_t ArcsOutOf(TBasicNetwork* owner, std::int32_t from, std::int32_t to) {
    const auto* layer = dynamic_cast<const TZorfOutputLayer*>(owner->GetLayer(to));
    ZORF_CHECK(layer != nullptr && layer->HasMFs());
    const TBasicLayer* actions = owner->GetLayer(from);
    ZORF_CHECK(actions != nullptr && actions->GetNumNeurons() == layer->GetNumMFs());
    return layer->GetNumMFs();
}

}  // namespace

TToOutputConnections::TToOutputConnections(TBasicNetwork* owner, std::int32_t from, std::int32_t to)
    : TMembershipConnections(owner, from, to, TMemberSide::Source, ArcsOutOf(owner, from, to)),
      weights(static_cast<std::size_t>(GetNumArcs()), 0.0) {}

TToOutputConnections::TToOutputConnections(TBasicNetwork* owner, const TToOutputConnections& source)
    : TMembershipConnections(owner, source.fromLayer, source.toLayer, TMemberSide::Source,
                             source.GetNumArcs()),
      weights(source.weights) {}

const char* TToOutputConnections::GetConnectionsNType() const {
    return "ToOutputConnections";
}

TBasicConnections* TToOutputConnections::Clone(TBasicNetwork* owner) const {
    return new TToOutputConnections(owner, *this);
}

// A network file may give an output fewer than two membership functions; nothing is
// changed before every count is known to be spreadable.
void TToOutputConnections::SetDefaultOutputCentres() {
    const TMFGroups& groups = Groups();
    for (const std::int32_t NdxMF : groups.GetCounts()) {
        ZORF_CHECK(NdxMF >= 2);
    }
    groups.SpreadEvenly(groups.GetNumGroups(), [this](std::int32_t i, std::int32_t k,
                                                      double centre) { GetWeight(i, k) = centre; });
}

const TMFGroups& TToOutputConnections::Groups() const {
    return Layer().GetMFGroups();
}

double& TToOutputConnections::MemberWeight(std::int32_t member) {
    return weights[static_cast<std::size_t>(member)];
}

// The layer's class was checked when the matrix was made for it.
TZorfOutputLayer& TToOutputConnections::Layer() const {
    return static_cast<TZorfOutputLayer&>(*network->GetLayer(toLayer));
}
