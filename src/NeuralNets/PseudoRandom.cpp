#include "NeuralNets/PseudoRandom.h"

#include <cmath>

namespace PseudoRandom {

namespace {

// The classic linear congruential generator; unsigned arithmetic wraps, which is its
// modulus of 2^32.
std::uint32_t state = 1;

}  // namespace

void Seed(std::uint32_t seed) {
    state = seed;
}

std::int32_t Next() {
    state = state * 1103515245U + 12345U;
    return static_cast<std::int32_t>((state / 65536U) % 32768U);
}

double Weight(double low, double high) {
    const auto r = static_cast<unsigned>(Next()) % 32767U;
    const long double scaled =
        static_cast<long double>(r) * (1.0L / 32767.0L) * (static_cast<long double>(high) - low) +
        low;
    return static_cast<double>(scaled);
}

double WeightInRange(double low, double high) {
    const bool empty = low == high || std::isnan(low) || std::isnan(high);
    return empty ? low : Weight(low, high);
}

}  // namespace PseudoRandom
