#pragma once

#include "Zorf/TMembershipConnections.h"

class TConditionLayer;

// The arcs from the input layer to the condition layer: one into each condition node j,
// from its input inputOf[j]. The arc's weight is the node's centre, so the matrix keeps
// only the flag bytes.
class TToConditionConnections final : public TMembershipConnections {
  public:
    // The target layer must be the network's condition layer with its membership functions
    // installed, and the source layer must hold every input they cover; a network file that
    // breaks this is refused.
    TToConditionConnections(TBasicNetwork* owner, std::int32_t from, std::int32_t to);

    const char* GetConnectionsNType() const override;
    // Every flag of the copy is FMaskAll; the centres travel with the cloned layer.
    TBasicConnections* Clone(TBasicNetwork* owner) const override;

  protected:
    const TMFGroups& Groups() const override;
    double& MemberWeight(std::int32_t member) override;

  private:
    TToConditionConnections(TBasicNetwork* owner, const TToConditionConnections& source);

    TConditionLayer& Layer() const;
};
