// The flag bits of an arc, on their own so that the kernels, which see only plain arrays of
// weights and flags, need nothing of the connection matrices.
#pragma once

#include <cstdint>

// Arc flag bits, and the selection masks of the operations that walk arcs: FMaskExists
// selects the existing arcs; any other mask acts as FMaskAll, the existing trainable arcs.
inline constexpr std::int32_t FMaskExists = 1;
inline constexpr std::int32_t FMaskTrainable = 2;
inline constexpr std::int32_t FMaskAll = 3;
