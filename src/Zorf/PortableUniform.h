// Numbers drawn from a seed that every standard library draws alike: std::mt19937's output is
// fixed by the standard, its distributions are not.
#pragma once

#include <random>

// A number in [0, 1) from the generator's next 27 bits.
inline double PortableUniform(std::mt19937& generator) {
    return static_cast<double>(generator() >> 5U) / static_cast<double>(1U << 27U);
}
