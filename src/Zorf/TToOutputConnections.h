#pragma once

#include <span>
#include <vector>

#include "Zorf/TMembershipConnections.h"

class TZorfOutputLayer;

// The arcs from the action layer to the output layer: one from each action node i, to its
// output outputOf[i]. The arc's weight is the centre of the node's output membership
// function.
class TToOutputConnections final : public TMembershipConnections {
  public:
    // The target layer must be the network's output layer with its membership functions
    // installed, and the source layer must have one node per output membership function; a
    // network file that breaks this is refused. Every weight starts at 0.
    TToOutputConnections(TBasicNetwork* owner, std::int32_t from, std::int32_t to);

    const char* GetConnectionsNType() const override;
    // The weights are copied; every flag of the copy is FMaskAll.
    TBasicConnections* Clone(TBasicNetwork* owner) const override;

    // Each output's centres evenly spread over [0, 1].
    void SetDefaultOutputCentres();
    std::span<const double> GetCentres() const { return weights; }

  protected:
    const TMFGroups& Groups() const override;
    double& MemberWeight(std::int32_t member) override;

  private:
    std::vector<double> weights;

    TToOutputConnections(TBasicNetwork* owner, const TToOutputConnections& source);

    TZorfOutputLayer& Layer() const;
};
