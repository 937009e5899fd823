#include "NeuralNets/Kernels/PropagationKernels.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <limits>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "NeuralNets/NetworkBuilders.h"
#include "NeuralNets/TConnectedNetwork.h"
#include "NeuralNets/TPackedPropagation.h"
#include "NeuralNets/TPrunedConnections.h"
#include "Zorf/TZorf.h"

namespace {

std::vector<std::uint64_t> BitsOf(const std::vector<double>& values) {
    std::vector<std::uint64_t> bits;
    for (const double value : values) {
        bits.push_back(std::bit_cast<std::uint64_t>(value));
    }
    return bits;
}

// Weights of every kind a matrix may hold, also on absent arcs; flags with and without the
// exists bit.
struct TRandomMatrix {
    TArcGrid<double> weights;
    TArcGrid<std::uint8_t> flags;

    TRandomMatrix(std::int32_t numFrom, std::int32_t numTo, std::mt19937_64& random)
        : weights(numTo, numFrom, 0.0), flags(numTo, numFrom, FMaskAll) {
        std::uniform_real_distribution<double> weight(-2.0, 2.0);
        const double specials[] = {-0.0, std::numeric_limits<double>::infinity(),
                                   std::numeric_limits<double>::quiet_NaN(), 1e300};
        const std::uint8_t flagBytes[] = {0, FMaskExists, FMaskTrainable, FMaskAll};
        for (std::int32_t t = 0; t < numTo; ++t) {
            for (std::int32_t s = 0; s < numFrom; ++s) {
                const std::uint64_t pick = random();
                weights.At(s, t) = pick % 50 == 0 ? specials[pick / 50 % 4] : weight(random);
                flags.At(s, t) = flagBytes[random() % 4];
            }
        }
    }
};

std::vector<double> RandomValues(std::int32_t count, std::mt19937_64& random) {
    std::uniform_real_distribution<double> value(-1.5, 1.5);
    std::vector<double> values(static_cast<std::size_t>(count));
    for (double& v : values) {
        v = random() % 7 == 0 ? 0.0 : value(random);
    }
    return values;
}

void ExpectPlainBits(const PropagationKernels::TVectorizedVariant& variant);

// Every vectorized variant this machine runs against the plain kernel, with and without flags,
// over sizes around the block boundaries.
TEST(PropagationKernels, PlainAndVectorizedGiveTheSameBits) {
    if (PropagationKernels::VectorizedVariants().empty()) {
        GTEST_SKIP() << "this build holds the plain kernel only";
    }
    for (const PropagationKernels::TVectorizedVariant& variant :
         PropagationKernels::VectorizedVariants()) {
        if (!variant.runsHere()) {
            std::cout << "[ SKIPPED  ] the " << variant.name
                      << " kernel: this processor cannot run it\n";
            continue;
        }
        ExpectPlainBits(variant);
    }
}

void ExpectPlainBits(const PropagationKernels::TVectorizedVariant& variant) {
    std::mt19937_64 random(9);
    for (const std::int32_t numFrom : {0, 1, 3, 8, 17, 56}) {
        for (const std::int32_t numTo : {0, 1, 7, 8, 9, 31, 32, 33, 129}) {
            const TRandomMatrix matrix(numFrom, numTo, random);
            const std::vector<double> source = RandomValues(numFrom, random);
            const std::vector<double> start = RandomValues(numTo, random);
            for (const TArcGrid<std::uint8_t>* flags :
                 {&matrix.flags, static_cast<const TArcGrid<std::uint8_t>*>(nullptr)}) {
                TPackedWeights packed;
                packed.Pack(matrix.weights, flags);
                std::vector<double> plain = start;
                std::vector<double> vectorized = start;
                PropagationKernels::AddPlain(matrix.weights, flags, source.data(), plain.data());
                variant.add(packed, source.data(), vectorized.data());
                EXPECT_EQ(BitsOf(vectorized), BitsOf(plain))
                    << variant.name << ": " << numFrom << " x " << numTo
                    << (flags != nullptr ? " pruned" : " full");
                if (flags != nullptr) {
                    TSparseWeights sparse;
                    sparse.Pack(matrix.weights, *flags);
                    std::vector<double> sparseSums = start;
                    PropagationKernels::AddSparse(sparse, source.data(), sparseSums.data());
                    EXPECT_EQ(BitsOf(sparseSums), BitsOf(plain)) << numFrom << " x " << numTo;
                }
            }
        }
    }
}

// A batch of rows against each row alone, finite sources as the packed copy needs them.
TEST(PropagationKernels, BatchesGiveEachRowsBits) {
    constexpr std::int32_t kRows = PropagationKernels::kBatchRows;
    std::mt19937_64 random(13);
    for (const std::int32_t numFrom : {1, 9, 56}) {
        for (const std::int32_t numTo : {1, 8, 13, 33}) {
            const TRandomMatrix matrix(numFrom, numTo, random);
            TPackedWeights packed;
            packed.Pack(matrix.weights, &matrix.flags);
            TSparseWeights sparse;
            sparse.Pack(matrix.weights, matrix.flags);
            const std::vector<double> source = RandomValues(numFrom * kRows, random);
            const std::vector<double> start = RandomValues(numTo * kRows, random);
            std::vector<double> plain = start;
            for (std::int32_t r = 0; r < kRows; ++r) {
                std::vector<double> row(static_cast<std::size_t>(numFrom));
                std::vector<double> sums(static_cast<std::size_t>(numTo));
                for (std::int32_t s = 0; s < numFrom; ++s) {
                    row[s] = source[s * kRows + r];
                }
                for (std::int32_t t = 0; t < numTo; ++t) {
                    sums[t] = start[t * kRows + r];
                }
                PropagationKernels::AddPlain(matrix.weights, &matrix.flags, row.data(),
                                             sums.data());
                for (std::int32_t t = 0; t < numTo; ++t) {
                    plain[t * kRows + r] = sums[t];
                }
            }
            std::vector<double> vectorized = start;
            std::vector<double> sparseSums = start;
            PropagationKernels::AddBatchVectorized(packed, source.data(), vectorized.data());
            PropagationKernels::AddBatchSparse(sparse, source.data(), sparseSums.data());
            EXPECT_EQ(BitsOf(vectorized), BitsOf(plain)) << numFrom << " x " << numTo;
            EXPECT_EQ(BitsOf(sparseSums), BitsOf(plain)) << numFrom << " x " << numTo;
        }
    }
}

// An absent arc from an infinite or undefined source adds nothing in the plain kernel, where
// the packed 0.0 weight would add a NaN: such sources take the plain kernel.
TEST(PropagationKernels, SourcesThatAreNotFiniteTakeThePlainKernel) {
    std::mt19937_64 random(10);
    TRandomMatrix matrix(4, 9, random);
    for (std::int32_t t = 0; t < 9; ++t) {
        matrix.flags.At(2, t) = 0;
    }
    TPackedWeights packed;
    packed.Pack(matrix.weights, &matrix.flags);
    TSparseWeights sparse;
    sparse.Pack(matrix.weights, matrix.flags);
    for (const double odd :
         {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        std::vector<double> source = RandomValues(4, random);
        source[2] = odd;
        EXPECT_FALSE(PropagationKernels::AllFinite(source.data(), 4));
        std::vector<double> plain(9, 0.0);
        PropagationKernels::AddPlain(matrix.weights, &matrix.flags, source.data(), plain.data());
        // A matrix may hold both copies; the sparse one then takes such sources.
        const TSparseWeights* const copies[] = {nullptr, &sparse};
        for (const TSparseWeights* copy : copies) {
            std::vector<double> chosen(9, 0.0);
            PropagationKernels::AddWeightedSums(matrix.weights, &matrix.flags, {&packed, copy},
                                                source.data(), chosen.data());
            EXPECT_EQ(BitsOf(chosen), BitsOf(plain));
        }
    }
    // Past the vector width too, the odd value in any position.
    std::vector<double> finite = RandomValues(37, random);
    EXPECT_TRUE(PropagationKernels::AllFinite(finite.data(), 37));
    for (std::size_t i = 0; i < finite.size(); ++i) {
        const double kept = std::exchange(finite[i], std::numeric_limits<double>::infinity());
        EXPECT_FALSE(PropagationKernels::AllFinite(finite.data(), 37)) << i;
        finite[i] = kept;
    }
}

// Where every arc exists, both kernels multiply every source, so they agree for any source.
TEST(PropagationKernels, EveryArcExistingTakesAnySourceVectorized) {
    std::mt19937_64 random(12);
    TRandomMatrix matrix(5, 11, random);
    matrix.flags = TArcGrid<std::uint8_t>(11, 5, FMaskExists);
    const TArcGrid<std::uint8_t>* const allFlags[] = {&matrix.flags, nullptr};
    for (const TArcGrid<std::uint8_t>* flags : allFlags) {
        TPackedWeights packed;
        packed.Pack(matrix.weights, flags);
        EXPECT_FALSE(packed.HasAbsentArcs());
        std::vector<double> source = RandomValues(5, random);
        source[1] = std::numeric_limits<double>::infinity();
        source[3] = std::numeric_limits<double>::quiet_NaN();
        std::vector<double> plain(11, 0.5);
        std::vector<double> chosen(11, 0.5);
        PropagationKernels::AddPlain(matrix.weights, flags, source.data(), plain.data());
        PropagationKernels::AddWeightedSums(matrix.weights, flags, {&packed, nullptr},
                                            source.data(), chosen.data());
        EXPECT_EQ(BitsOf(chosen), BitsOf(plain));
    }
}

TEST(TPackedWeights, OnlyMatricesOfAffordableSizeArePacked) {
    EXPECT_TRUE(TPackedWeights::Affordable(56, 400));
    EXPECT_TRUE(TPackedWeights::Affordable(4096, 4096));
    EXPECT_FALSE(TPackedWeights::Affordable(56, 1000000));
    EXPECT_FALSE(TPackedWeights::Affordable(2147483647, 2));
}

// Every layer's values after propagating the rows, as bits.
std::vector<std::vector<std::uint64_t>> LayerBits(TBasicNetwork& network,
                                                  const std::vector<std::vector<double>>& rows) {
    std::vector<std::vector<std::uint64_t>> bits;
    std::vector<double> output(
        static_cast<std::size_t>(network.GetLayer(network.GetOutLayer())->GetNumNeurons()));
    for (const std::vector<double>& row : rows) {
        network.Propagate(row.data(), output.data());
        for (std::int32_t k = 0; k < network.GetNumLayers(); ++k) {
            const TBasicLayer& layer = *network.GetLayer(k);
            bits.push_back(BitsOf(
                std::vector<double>(layer.GetValues(), layer.GetValues() + layer.GetNumNeurons())));
        }
    }
    return bits;
}

void ExpectPackedPropagationChangesNoBit(TBasicNetwork& network, std::mt19937_64& random,
                                         const char* what) {
    const std::int32_t inputs = network.GetLayer(network.GetInLayer())->GetNumNeurons();
    std::vector<std::vector<double>> rows;
    for (int r = 0; r < 20; ++r) {
        rows.push_back(RandomValues(inputs, random));
    }
    const auto plain = LayerBits(network, rows);
    const TPackedPropagation packing(network);
    EXPECT_EQ(LayerBits(network, rows), plain) << what;
}

// Removes about `removed` of every `outOf` arcs.
void PruneAtRandom(TBasicNetwork& network, std::int32_t from, std::int32_t to,
                   std::mt19937_64& random, std::uint64_t removed = 1, std::uint64_t outOf = 2) {
    TBasicConnections& matrix = network.GetConnections(from, to);
    for (std::int32_t t = 0; t < network.GetLayer(to)->GetNumNeurons(); ++t) {
        for (std::int32_t s = 0; s < network.GetLayer(from)->GetNumNeurons(); ++s) {
            if (random() % outOf < removed) {
                matrix.RemoveArc(s, t);
            }
        }
    }
}

TEST(TPackedPropagation, ChangesNoBitOfAnyLayer) {
    std::mt19937_64 random(11);
    // Pruned matrices, one of them skipping a layer, and tanh and sigmoid layers.
    auto basic = MakeNetwork({0, 5, 13, 9, 3}, ActFunctions::Sigmoid);
    basic->GetLayer(3)->SetActivationFunction(ActFunctions::Tanh);
    for (const auto& [from, to] : {std::pair{1, 2}, {2, 3}, {1, 3}, {3, 4}}) {
        basic->ConnectLayers(from, to);
    }
    basic->RandomizeWeights(-1.0, 1.0);
    PruneAtRandom(*basic, 1, 2, random);
    PruneAtRandom(*basic, 2, 3, random);
    ExpectPackedPropagationChangesNoBit(*basic, random, "pruned");

    auto connected = MakeNetwork<TConnectedNetwork>({0, 4, 17, 2}, ActFunctions::Sigmoid);
    connected->ConnectLayers(1, 2);
    connected->ConnectLayers(2, 3);
    connected->RandomizeWeights(-3.0, 3.0);
    ExpectPackedPropagationChangesNoBit(*connected, random, "fully connected");

    const std::int32_t mfPerInput[] = {3, 2, 5};
    const std::int32_t mfPerOutput[] = {4, 3};
    TZorf zorf(3, mfPerInput, 21, mfPerOutput, 2);
    zorf.InitializeWeights(-1.0, 1.0);
    PruneAtRandom(zorf, 2, 3, random);
    PruneAtRandom(zorf, 3, 4, random);
    ExpectPackedPropagationChangesNoBit(zorf, random, "Zorf");

    // Few arcs left: the sparse copy.
    TZorf sparse(3, mfPerInput, 40, mfPerOutput, 2);
    sparse.InitializeWeights(-1.0, 1.0);
    PruneAtRandom(sparse, 2, 3, random, 9, 10);
    PruneAtRandom(sparse, 3, 4, random, 19, 20);
    ExpectPackedPropagationChangesNoBit(sparse, random, "sparse Zorf");
}

// Arcs and weights changed through the matrices' own operations drop the packed copy.
TEST(TPackedPropagation, FollowsChangesMadeThroughTheMatrix) {
    auto network = MakeNetwork({0, 3, 4}, ActFunctions::Linear);
    network->ConnectLayers(1, 2);
    NumberWeights(*network, 1, 2);
    const double row[] = {1.0, 2.0, 3.0};
    double output[4];
    const TPackedPropagation packing(*network);
    network->Propagate(row, output);
    EXPECT_EQ(output[1], 86.0);
    TBasicConnections& matrix = network->GetConnections(1, 2);
    matrix.RemoveArc(2, 1);
    network->Propagate(row, output);
    EXPECT_EQ(output[1], 23.0);
    matrix.GetWeight(0, 1) = 2.0;
    network->Propagate(row, output);
    EXPECT_EQ(output[1], 24.0);
}

TEST(TPackedPropagationDeathTest, AWeightWrittenBehindItsBackIsAProgrammingError) {
    if (PropagationKernels::VectorizedVariants().empty()) {
        GTEST_SKIP() << "this build takes no packed copies that could go stale";
    }
    auto network = MakeNetwork({0, 2, 2}, ActFunctions::Linear);
    network->ConnectLayers(1, 2);
    double& weight = network->GetConnections(1, 2).GetWeight(0, 0);
    EXPECT_DEATH(
        {
            const TPackedPropagation packing(*network);
            weight = 5.0;
        },
        "PackedWeightsAreCurrent");
}

}  // namespace
