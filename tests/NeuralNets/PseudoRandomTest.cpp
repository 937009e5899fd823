#include "NeuralNets/PseudoRandom.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(PseudoRandom, FollowsTheClassicSequenceFromItsSeed) {
    PseudoRandom::Seed(1);
    EXPECT_EQ(PseudoRandom::Next(), 16838);
    EXPECT_EQ(PseudoRandom::Next(), 5758);
    EXPECT_EQ(PseudoRandom::Next(), 10113);
    PseudoRandom::Seed(1);
    EXPECT_EQ(PseudoRandom::Next(), 16838);
}

TEST(PseudoRandom, StaysWithinItsRange) {
    PseudoRandom::Seed(12345);
    for (int i = 0; i < 100000; ++i) {
        const std::int32_t r = PseudoRandom::Next();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, PseudoRandom::kMax);
    }
}

TEST(PseudoRandom, MapsNumbersOntoTheHalfOpenRange) {
    PseudoRandom::Seed(1);
    const double expected = static_cast<double>(16838.0L * (1.0L / 32767.0L) * 2.0L + -1.0L);
    EXPECT_EQ(PseudoRandom::Weight(-1.0, 1.0), expected);
    PseudoRandom::Seed(7);
    for (int i = 0; i < 50000; ++i) {
        const double w = PseudoRandom::Weight(-1.0, 1.0);
        ASSERT_GE(w, -1.0);
        ASSERT_LT(w, 1.0);
    }
}

TEST(PseudoRandom, EmptyRangeGivesLowWithoutDrawing) {
    PseudoRandom::Seed(1);
    EXPECT_EQ(PseudoRandom::WeightInRange(0.25, 0.25), 0.25);
    EXPECT_EQ(PseudoRandom::WeightInRange(0.5, std::nan("")), 0.5);
    EXPECT_EQ(PseudoRandom::Next(), 16838);
}

}  // namespace
