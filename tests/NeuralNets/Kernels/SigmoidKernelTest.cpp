#include "NeuralNets/Kernels/SigmoidKernel.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

// The number of inputs where a variant's outputs differ from Plain's in any bit, for each
// variant this machine runs; the first few are reported.
std::int64_t Mismatches(const std::vector<double>& inputs) {
    std::int64_t mismatches = 0;
    for (const SigmoidKernel::TVariant& variant : SigmoidKernel::Variants()) {
        if (!variant.runsHere()) {
            continue;
        }
        std::vector<double> outputs(inputs.size());
        variant.apply(inputs.data(), outputs.data(), static_cast<std::int32_t>(inputs.size()));
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            const double expected = SigmoidKernel::Plain(inputs[i]);
            if (Bits(outputs[i]) != Bits(expected) && ++mismatches <= 5) {
                ADD_FAILURE() << variant.name << std::hexfloat << ": x = " << inputs[i] << ": "
                              << outputs[i] << " instead of " << expected;
            }
        }
    }
    return mismatches;
}

TEST(SigmoidKernel, PlainIsTheDefinedFunction) {
    EXPECT_EQ(SigmoidKernel::Plain(0.0), 0.5);
    EXPECT_EQ(SigmoidKernel::Plain(-500.0001), 1e-300);
    EXPECT_EQ(SigmoidKernel::Plain(-std::numeric_limits<double>::infinity()), 1e-300);
    EXPECT_EQ(SigmoidKernel::Plain(-500.0), static_cast<double>(1.0L / (std::exp(500.0L) + 1.0L)));
    EXPECT_TRUE(std::isnan(SigmoidKernel::Plain(std::numeric_limits<double>::quiet_NaN())));
    // The shortcut of the double-double route: from 40 on the result is 1.0.
    EXPECT_EQ(SigmoidKernel::Plain(40.0), 1.0);
    EXPECT_LT(SigmoidKernel::Plain(36.0), 1.0);
}

TEST(SigmoidKernel, ApplyGivesPlainsBitsAtTheEdges) {
    if (!SigmoidKernel::IsVectorized()) {
        GTEST_SKIP() << "Apply runs Plain here: no fused multiply-add, or a plain build";
    }
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> edges = {
        0.0,
        -0.0,
        inf,
        -inf,
        nan,
        -nan,
        -500.0,
        std::nextafter(-500.0, 0.0),
        std::nextafter(-500.0, -inf),
        40.0,
        std::nextafter(40.0, 0.0),
        std::nextafter(40.0, inf),
        36.7368005696771,
        std::numeric_limits<double>::denorm_min(),
        -std::numeric_limits<double>::denorm_min(),
        std::numeric_limits<double>::min(),
        std::numeric_limits<double>::max(),
        std::numeric_limits<double>::lowest(),
        1e-300,
        -1e-17,
        1e-17,
        0.5,
        -0.5,
        709.0,
        -709.0,
        -499.99999999999994,
        std::log(2.0),
        -std::log(2.0) * 1024,
        std::log(2.0) / 2048,
    };
    EXPECT_EQ(Mismatches(edges), 0);
}

// Inputs from the ranges net inputs take (small sums near 0), the whole range the double-double
// route covers, tiny magnitudes, and any bit pattern at all.
TEST(SigmoidKernel, ApplyGivesPlainsBitsForRandomInputs) {
    if (!SigmoidKernel::IsVectorized()) {
        GTEST_SKIP() << "Apply runs Plain here: no fused multiply-add, or a plain build";
    }
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> near(-8.0, 8.0);
    std::uniform_real_distribution<double> covered(-520.0, 45.0);
    std::uniform_int_distribution<int> scale(0, 80);
    std::vector<double> inputs(400000);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        switch (i % 4) {
            case 0:
                inputs[i] = near(random);
                break;
            case 1:
                inputs[i] = covered(random);
                break;
            case 2:
                inputs[i] = std::ldexp(near(random), -scale(random));
                break;
            default:
                inputs[i] = std::bit_cast<double>(random());
                break;
        }
    }
    EXPECT_EQ(Mismatches(inputs), 0);
}

// Every count around the lane widths, in place, through Apply and each variant.
TEST(SigmoidKernel, ApplyWorksInPlaceOnAnyCount) {
    std::vector<void (*)(const double*, double*, std::int32_t)> applies = {SigmoidKernel::Apply};
    for (const SigmoidKernel::TVariant& variant : SigmoidKernel::Variants()) {
        if (variant.runsHere()) {
            applies.push_back(variant.apply);
        }
    }
    for (const auto apply : applies) {
        for (std::int32_t count = 0; count <= 17; ++count) {
            std::vector<double> values(static_cast<std::size_t>(count));
            for (std::int32_t i = 0; i < count; ++i) {
                values[static_cast<std::size_t>(i)] = 0.75 * i - 3.0;
            }
            const std::vector<double> inputs = values;
            apply(values.data(), values.data(), count);
            for (std::int32_t i = 0; i < count; ++i) {
                const auto at = static_cast<std::size_t>(i);
                EXPECT_EQ(Bits(values[at]), Bits(SigmoidKernel::Plain(inputs[at])))
                    << count << " " << i;
            }
        }
    }
}

}  // namespace
