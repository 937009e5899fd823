// The refusal of an input that is not a finite number (nan, inf). Propagation would turn it
// into outputs that look plausible and mean nothing, so recall refuses the row instead.
#pragma once

#include "KQmessage/Export.h"

#include <cstddef>
#include <cstdint>
#include <optional>

#include "KQmessage/TException.h"

class ZORF_EXPORT TNonFiniteInput : public TException {
  public:
    // Both counted from 0: the row among the rows given to recall, the input within the row.
    std::int64_t row;
    std::int64_t column;

    TNonFiniteInput(std::int64_t rowIndex, std::int64_t columnIndex);
};

// The place of the first of `count` values that is not a finite number; none when all are.
ZORF_EXPORT std::optional<std::size_t> FirstNonFinite(const double* values, std::size_t count);
