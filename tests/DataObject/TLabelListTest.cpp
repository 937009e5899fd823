#include "DataObject/TLabelList.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

namespace {

using Labels = std::vector<std::pair<std::string, double>>;

Labels Contents(const TLabelList& list) {
    Labels contents;
    for (const TLabel& label : list.Labels()) {
        contents.emplace_back(label.name, label.value);
    }
    return contents;
}

TEST(TLabelList, AddLabelAccumulatesExactNamesInFirstAddedOrder) {
    TLabelList list;
    list.AddLabel("a", 1.0);
    list.AddLabel("b", 0.5);
    list.AddLabel("a", 0.25);
    list.AddLabel("A", 1.0);
    EXPECT_EQ(Contents(list), (Labels{{"a", 1.25}, {"b", 0.5}, {"A", 1.0}}));
    EXPECT_EQ(list.Count(), 3);
}

TEST(TLabelList, CopiesAreIndependent) {
    std::optional<TLabelList> source(std::in_place, "low", 0.5);
    source->AddLabel("high", 1.0);
    TLabelList copy(*source);
    copy.AddLabel("low", 1.0);
    EXPECT_EQ(Contents(*source), (Labels{{"low", 0.5}, {"high", 1.0}}));
    source.reset();
    EXPECT_EQ(Contents(copy), (Labels{{"low", 1.5}, {"high", 1.0}}));

    copy = TLabelList();
    EXPECT_EQ(copy.Count(), 0);
}

}  // namespace
