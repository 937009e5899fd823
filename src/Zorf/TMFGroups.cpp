#include "Zorf/TMFGroups.h"

#include "KQmessage/Check.h"

void TMFGroups::Install(std::span<const std::int32_t> newCounts) {
    counts.assign(newCounts.begin(), newCounts.end());
    firsts.clear();
    groupOf.clear();
    for (std::int32_t group = 0; group < GetNumGroups(); ++group) {
        ZORF_ASSERT(Count(group) >= 0);
        firsts.push_back(GetNumMembers());
        groupOf.insert(groupOf.end(), Index(Count(group)), group);
    }
    installed = true;
}

std::int64_t TMFGroups::Total(std::span<const std::int32_t> counts) {
    std::int64_t total = 0;
    for (const std::int32_t count : counts) {
        total += count;
    }
    return total;
}
