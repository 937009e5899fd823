#pragma once

#include <cstdint>
#include <vector>

#include "NeuralNets/TBasicConnections.h"
#include "Zorf/TMFGroups.h"

// What the two matrices of a fuzzy network that border a fuzzy layer share: exactly one arc
// per membership-function node (a member), between the member and the node of its group on
// the other side, with one flag byte per arc. The topology follows the layers' membership
// functions, so arcs are neither added nor removed and the matrix is never resized.
class TMembershipConnections : public TBasicConnections {
  public:
    double& GetWeight(std::int32_t s, std::int32_t t) override;
    bool IsValid(std::int32_t s, std::int32_t t) override;
    void RemoveArc(std::int32_t s, std::int32_t t) override;
    void AddArc(std::int32_t s, std::int32_t t) override;
    void Unfreeze(std::int32_t s, std::int32_t t) override;
    void Freeze(std::int32_t s, std::int32_t t) override;
    // The masks of the single-node walks are not used: every existing arc is visited.
    void IterateIn(TIterateObj& visitor, std::int32_t t, std::int32_t mask) override;
    void IterateOut(TIterateObj& visitor, std::int32_t s, std::int32_t mask) override;
    void IterateAll(TIterateObj& visitor, std::int32_t mask) override;
    void IterateAll2(TIterateObj2& visitor, TBasicNetwork* second, std::int32_t mask) override;
    void IterateAll3(TIterateObj3& visitor, TBasicNetwork* second, TBasicNetwork* third,
                     std::int32_t mask) override;
    // The flag byte of the member's arc, whatever node is given on the other side.
    std::uint8_t GetFlags(std::int32_t s, std::int32_t t) override;
    void SetFlags(std::int32_t s, std::int32_t t, std::uint8_t val) override;
    void RemoveSourceNeuron(std::int32_t k) override;
    void RemoveTargetNeuron(std::int32_t k) override;

    std::int32_t GetNumArcs() const { return static_cast<std::int32_t>(flags.size()); }

  protected:
    // Which layer of the pair holds the members.
    enum class TMemberSide { Target, Source };

    // Every arc exists and is trainable.
    TMembershipConnections(TBasicNetwork* owner, std::int32_t from, std::int32_t to,
                           TMemberSide side, std::int32_t numArcs);

    // The fuzzy layer's grouping of the members, and where a member's weight lives.
    virtual const TMFGroups& Groups() const = 0;
    virtual double& MemberWeight(std::int32_t member) = 0;

  private:
    TMemberSide memberSide;
    std::vector<std::uint8_t> flags;

    // The members' grouping, refused if it no longer matches the arcs.
    const TMFGroups& CheckedGroups() const;
    // The member of the arc (s, t); a number outside the members is refused.
    std::int32_t MemberOf(std::int32_t s, std::int32_t t) const;
    std::int32_t SourceOf(const TMFGroups& groups, std::int32_t member) const;
    std::int32_t TargetOf(const TMFGroups& groups, std::int32_t member) const;
    std::uint8_t& FlagsOf(std::int32_t member) { return flags[static_cast<std::size_t>(member)]; }

    void VisitArc(TIterateObj& visitor, const TMFGroups& groups, std::int32_t member);
    void WalkMember(TIterateObj& visitor, std::int32_t member);
    void WalkGroup(TIterateObj& visitor, std::int32_t group);
    // Calls visit(s, t, member) for every arc the mask selects, in member order.
    template <class Visit>
    void ForEachSelected(std::int32_t mask, Visit visit);
};
