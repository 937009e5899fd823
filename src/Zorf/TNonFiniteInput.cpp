#include "Zorf/TNonFiniteInput.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "KQmessage/KQML.h"
#include "NeuralNets/Kernels/PropagationKernels.h"

TNonFiniteInput::TNonFiniteInput(std::int64_t rowIndex, std::int64_t columnIndex)
    : TException("Input is not a finite number: row " + std::to_string(rowIndex) + ", column " +
                     std::to_string(columnIndex) + ", counted from 0",
                 kBadParameter, "Recall"),
      row(rowIndex),
      column(columnIndex) {}

std::optional<std::size_t> FirstNonFinite(const double* values, std::size_t count) {
    // The vector check in long pieces costs little beside propagation; only a piece that fails
    // it is searched value by value.
    constexpr std::size_t kPiece = std::size_t{1} << 16;
    for (std::size_t start = 0; start < count; start += kPiece) {
        const std::size_t size = std::min(kPiece, count - start);
        if (PropagationKernels::AllFinite(values + start, static_cast<std::int32_t>(size))) {
            continue;
        }
        const double* bad = std::find_if(values + start, values + start + size,
                                         [](double value) { return !std::isfinite(value); });
        return static_cast<std::size_t>(bad - values);
    }
    return std::nullopt;
}
