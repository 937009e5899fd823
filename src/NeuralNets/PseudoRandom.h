// The program's own pseudo-random integer source, so that randomized weights come out
// the same on every platform and every standard library.
#pragma once

#include <cstdint>

namespace PseudoRandom {

// The largest number Next returns.
inline constexpr std::int32_t kMax = 32767;

// Restarts the sequence; the sequence before any call of Seed is that of seed 1.
void Seed(std::uint32_t seed);

// The next number of the sequence, 0 to kMax.
std::int32_t Next();

// Draws the next number r and maps it onto [low, high): (r mod 32767) / 32767 scaled to the
// range, so the result is never exactly high.
double Weight(double low, double high);

// As Weight, except that an empty range (low equal to high, or either not a number) gives
// low without drawing a number.
double WeightInRange(double low, double high);

}  // namespace PseudoRandom
