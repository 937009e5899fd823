#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <span>
#include <vector>

// How the nodes of a fuzzy layer side fall into groups, one group per input (condition
// nodes) or per output (action nodes): each group is NdxMF consecutive nodes, one per
// membership function from left to right, and the groups follow in order.
class ZORF_EXPORT TMFGroups {
  public:
    // The callers check the counts first (their refusals name their own conditions).
    void Install(std::span<const std::int32_t> counts);
    bool IsInstalled() const { return installed; }

    std::int32_t GetNumGroups() const { return static_cast<std::int32_t>(counts.size()); }
    std::int32_t GetNumMembers() const { return static_cast<std::int32_t>(groupOf.size()); }
    // NdxMF of each group (mfCounts), and the group of each node (inputOf, outputOf).
    std::span<const std::int32_t> GetCounts() const { return counts; }
    std::span<const std::int32_t> GetGroupOf() const { return groupOf; }

    bool HasMember(std::int32_t member) const { return member >= 0 && member < GetNumMembers(); }
    std::int32_t GroupOf(std::int32_t member) const { return groupOf[Index(member)]; }
    std::int32_t Count(std::int32_t group) const { return counts[Index(group)]; }
    std::int32_t First(std::int32_t group) const { return firsts[Index(group)]; }
    // The node's place within its group, 0 for the leftmost membership function.
    std::int32_t Position(std::int32_t member) const { return member - First(GroupOf(member)); }

    // The sum of the counts, wide enough for any counts a file can give.
    static std::int64_t Total(std::span<const std::int32_t> counts);
    // Calls assign(member, group, centre) for every member of the first numGroups groups,
    // with the group's centres evenly spread over [0, 1]: the first exactly 0, the last
    // exactly 1. Every such group must have at least two members.
    template <class Assign>
    void SpreadEvenly(std::int32_t numGroups, Assign assign) const {
        for (std::int32_t group = 0; group < numGroups; ++group) {
            const std::int32_t count = Count(group);
            for (std::int32_t p = 0; p < count; ++p) {
                assign(First(group) + p, group,
                       static_cast<double>(p) / static_cast<double>(count - 1));
            }
        }
    }

  private:
    bool installed = false;
    std::vector<std::int32_t> counts;
    std::vector<std::int32_t> firsts;
    std::vector<std::int32_t> groupOf;

    static std::size_t Index(std::int32_t value) { return static_cast<std::size_t>(value); }
};
