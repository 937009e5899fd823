// The labels of one data row, in the order in which they were first added; names are
// distinct under exact, case-sensitive comparison.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "DataObject/TLabel.h"

class ZORF_EXPORT TLabelList {
  public:
    TLabelList() = default;
    TLabelList(std::string_view name, double value);

    // Adds `value` to the label of that exact name, or appends a new label.
    void AddLabel(std::string_view name, double value);

    std::int32_t Count() const { return static_cast<std::int32_t>(labels.size()); }
    std::span<const TLabel> Labels() const { return labels; }

  private:
    std::vector<TLabel> labels;
};
