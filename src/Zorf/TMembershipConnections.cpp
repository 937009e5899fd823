#include "Zorf/TMembershipConnections.h"

#include "KQmessage/Check.h"
#include "NeuralNets/TIterateObj.h"

namespace {

std::uint8_t TrainableBit(std::uint8_t flags) {
    return (flags & FMaskTrainable) != 0 ? 1 : 0;
}

}  // namespace

TMembershipConnections::TMembershipConnections(TBasicNetwork* owner, std::int32_t from,
                                               std::int32_t to, TMemberSide side,
                                               std::int32_t numArcs)
    : TBasicConnections(owner, from, to),
      memberSide(side),
      flags(static_cast<std::size_t>(numArcs), FMaskAll) {}

double& TMembershipConnections::GetWeight(std::int32_t s, std::int32_t t) {
    return MemberWeight(MemberOf(s, t));
}

bool TMembershipConnections::IsValid(std::int32_t s, std::int32_t t) {
    const TMFGroups& groups = CheckedGroups();
    const bool target = memberSide == TMemberSide::Target;
    const std::int32_t member = target ? t : s;
    const std::int32_t other = target ? s : t;
    return groups.HasMember(member) && groups.GroupOf(member) == other;
}

void TMembershipConnections::RemoveArc(std::int32_t, std::int32_t) {}

void TMembershipConnections::AddArc(std::int32_t, std::int32_t) {}

void TMembershipConnections::Unfreeze(std::int32_t s, std::int32_t t) {
    SetFlags(s, t, FMaskAll);
}

void TMembershipConnections::Freeze(std::int32_t s, std::int32_t t) {
    SetFlags(s, t, FMaskExists);
}

void TMembershipConnections::IterateIn(TIterateObj& visitor, std::int32_t t, std::int32_t) {
    visitor.Prepare(network, fromLayer, toLayer);
    if (memberSide == TMemberSide::Target) {
        WalkMember(visitor, t);
    } else {
        WalkGroup(visitor, t);
    }
}

void TMembershipConnections::IterateOut(TIterateObj& visitor, std::int32_t s, std::int32_t) {
    visitor.Prepare(network, fromLayer, toLayer);
    if (memberSide == TMemberSide::Source) {
        WalkMember(visitor, s);
    } else {
        WalkGroup(visitor, s);
    }
}

void TMembershipConnections::IterateAll(TIterateObj& visitor, std::int32_t mask) {
    visitor.Prepare(network, fromLayer, toLayer);
    const TMFGroups& groups = CheckedGroups();
    ForEachSelected(mask, [&](std::int32_t, std::int32_t, std::int32_t member) {
        VisitArc(visitor, groups, member);
    });
}

void TMembershipConnections::IterateAll2(TIterateObj2& visitor, TBasicNetwork* second,
                                         std::int32_t mask) {
    visitor.Prepare(network, second, fromLayer, toLayer);
    ForEachSelected(mask, [&](std::int32_t s, std::int32_t t, std::int32_t member) {
        visitor.fromNode = s;
        visitor.toNode = t;
        visitor.weight1 = &MemberWeight(member);
        visitor.weight2 = &visitor.conns2->GetWeight(s, t);
        visitor.trainable = TrainableBit(FlagsOf(member));
        visitor.Visit();
    });
}

void TMembershipConnections::IterateAll3(TIterateObj3& visitor, TBasicNetwork* second,
                                         TBasicNetwork* third, std::int32_t mask) {
    visitor.Prepare(network, second, third, fromLayer, toLayer);
    ForEachSelected(mask, [&](std::int32_t s, std::int32_t t, std::int32_t member) {
        visitor.fromNode = s;
        visitor.toNode = t;
        visitor.weight1 = &MemberWeight(member);
        visitor.weight2 = &visitor.conns2->GetWeight(s, t);
        visitor.weight3 = &visitor.conns3->GetWeight(s, t);
        visitor.trainable = TrainableBit(FlagsOf(member));
        visitor.Visit();
    });
}

std::uint8_t TMembershipConnections::GetFlags(std::int32_t s, std::int32_t t) {
    return FlagsOf(MemberOf(s, t));
}

void TMembershipConnections::SetFlags(std::int32_t s, std::int32_t t, std::uint8_t val) {
    FlagsOf(MemberOf(s, t)) = val;
}

void TMembershipConnections::RemoveSourceNeuron(std::int32_t) {
    ZORF_FAIL("false");
}

void TMembershipConnections::RemoveTargetNeuron(std::int32_t) {
    ZORF_FAIL("false");
}

// Arcs are made for the members a layer has when the matrix is built; a network file that
// installs membership functions later cannot make them disagree unnoticed.
const TMFGroups& TMembershipConnections::CheckedGroups() const {
    const TMFGroups& groups = Groups();
    ZORF_CHECK(groups.GetNumMembers() == GetNumArcs());
    return groups;
}

// Node numbers reach here from network files.
std::int32_t TMembershipConnections::MemberOf(std::int32_t s, std::int32_t t) const {
    const std::int32_t member = memberSide == TMemberSide::Target ? t : s;
    ZORF_CHECK(member >= 0 && member < GetNumArcs());
    return member;
}

std::int32_t TMembershipConnections::SourceOf(const TMFGroups& groups, std::int32_t member) const {
    return memberSide == TMemberSide::Source ? member : groups.GroupOf(member);
}

std::int32_t TMembershipConnections::TargetOf(const TMFGroups& groups, std::int32_t member) const {
    return memberSide == TMemberSide::Target ? member : groups.GroupOf(member);
}

void TMembershipConnections::VisitArc(TIterateObj& visitor, const TMFGroups& groups,
                                      std::int32_t member) {
    visitor.fromNode = SourceOf(groups, member);
    visitor.toNode = TargetOf(groups, member);
    visitor.weight = &MemberWeight(member);
    visitor.trainable = TrainableBit(FlagsOf(member));
    visitor.Visit();
}

void TMembershipConnections::WalkMember(TIterateObj& visitor, std::int32_t member) {
    const TMFGroups& groups = CheckedGroups();
    ZORF_ASSERT(groups.HasMember(member));
    if ((FlagsOf(member) & FMaskExists) != 0) {
        VisitArc(visitor, groups, member);
    }
}

// A node beyond the groups (an input no membership function covers) has no arcs.
void TMembershipConnections::WalkGroup(TIterateObj& visitor, std::int32_t group) {
    const TMFGroups& groups = CheckedGroups();
    if (group < 0 || group >= groups.GetNumGroups()) {
        return;
    }
    const std::int32_t end = groups.First(group) + groups.Count(group);
    for (std::int32_t member = groups.First(group); member < end; ++member) {
        if ((FlagsOf(member) & FMaskExists) != 0) {
            VisitArc(visitor, groups, member);
        }
    }
}

template <class Visit>
void TMembershipConnections::ForEachSelected(std::int32_t mask, Visit visit) {
    const TMFGroups& groups = CheckedGroups();
    for (std::int32_t member = 0; member < GetNumArcs(); ++member) {
        if (Selects(mask, FlagsOf(member))) {
            visit(SourceOf(groups, member), TargetOf(groups, member), member);
        }
    }
}
