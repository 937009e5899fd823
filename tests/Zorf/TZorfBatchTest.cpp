#include "Zorf/TZorfBatch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "NeuralNets/Kernels/PropagationKernels.h"
#include "NeuralNets/TPackedPropagation.h"
#include "Zorf/MakeZorf.h"

namespace {

constexpr std::int32_t kRows = TZorfBatch::kRows;

// Dense, half and heavily pruned networks, and inputs of every kind, against Propagate row by row.
TEST(TZorfBatch, GivesTheBitsOfPropagatingEachRow) {
    for (const double prune : {0.0, 0.5, 0.95}) {
        const std::unique_ptr<TZorf> network =
            MakeZorf({{3, 4, 2}, 50, {3, 5}, 3, -2.0, 2.0, prune});
        const std::vector<double> inputs = {0.1,
                                            0.5,
                                            0.9,
                                            -1.0,
                                            2.0,
                                            0.5,
                                            0.0,
                                            1.0,
                                            0.25,
                                            0.3,
                                            0.3,
                                            0.3,
                                            std::numeric_limits<double>::quiet_NaN(),
                                            0.5,
                                            0.5,
                                            0.7,
                                            0.2,
                                            0.6,
                                            std::numeric_limits<double>::infinity(),
                                            0.1,
                                            0.4,
                                            0.45,
                                            0.55,
                                            0.65};
        std::vector<double> expected(kRows * 2);
        for (std::int32_t r = 0; r < kRows; ++r) {
            network->Propagate(&inputs[static_cast<std::size_t>(r) * 3], &expected[r * 2]);
        }
        const TPackedPropagation packing(*network);
        TZorfBatch batch(*network);
        // Without vector kernels in the build only sparse matrices keep a copy to batch from.
        if (PropagationKernels::VectorizedVariants().empty() && prune < 0.9) {
            EXPECT_FALSE(batch.Fits()) << prune;
            continue;
        }
        ASSERT_TRUE(batch.Fits()) << prune;
        std::vector<double> outputs(kRows * 2);
        ASSERT_TRUE(batch.Propagate(inputs.data(), outputs.data()));
        EXPECT_EQ(std::memcmp(outputs.data(), expected.data(), outputs.size() * sizeof(double)), 0)
            << prune;
    }
}

}  // namespace
