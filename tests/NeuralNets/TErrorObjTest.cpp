#include "NeuralNets/TErrorObj.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "KQmessage/Check.h"
#include "KQmessage/KQML.h"

namespace {

std::unique_ptr<TKQstructure> Penalty(const std::string& text) {
    const char* cursor = text.c_str();
    return TKQstructure::ParseText(cursor);
}

TEST(TErrorRMSObj, AccumulatesSquaredDifferences) {
    TErrorRMSObj measure(2);
    const double expected1[] = {1, 0};
    const double generated1[] = {0.5, 0.5};
    const double expected2[] = {0, 0};
    const double generated2[] = {0, 1};
    measure.AddPattern(expected1, generated1);
    measure.AddPattern(expected2, generated2);
    EXPECT_EQ(measure.GetErrorSum(), 1.5);
    EXPECT_EQ(measure.GetNumPatterns(), 2);
    EXPECT_EQ(measure.GetError(), std::sqrt(1.5 / 2 / 2));
    EXPECT_NEAR(measure.GetError(), 0.6124, 1e-4);
}

TEST(TErrorRMSObj, ResetForgetsEarlierRowsAndNoRowsGiveZero) {
    TErrorRMSObj measure(1);
    EXPECT_EQ(measure.GetError(), 0.0);
    const double one[] = {1};
    const double zero[] = {0};
    measure.AddPattern(one, zero);
    measure.Reset();
    EXPECT_EQ(measure.GetError(), 0.0);
    const double half[] = {0.5};
    measure.AddPattern(one, half);
    EXPECT_EQ(measure.GetError(), 0.5);
}

TEST(TErrorCrossEntropyObj, AddsOneTermPerOutput) {
    const struct {
        double expected;
        double generated;
        double term;
    } cases[] = {
        {1, 0.5, std::log(2.0)},
        {0, 1, 1000000},
        {1, 1, 0},
        {0, 0.25, -std::log(0.75)},
    };
    for (const auto& c : cases) {
        TErrorCrossEntropyObj measure(1);
        measure.AddPattern(&c.expected, &c.generated);
        EXPECT_DOUBLE_EQ(measure.GetError(), c.term) << c.expected << " " << c.generated;
    }
}

TEST(TErrorObj, PenaltiesFollowTheirSettings) {
    const double weights[] = {1, 2};
    const double signedWeights[] = {1, -2};
    const TErrorRMSObj measure(1);
    EXPECT_DOUBLE_EQ(
        measure.ComputePenalty(2, weights, Penalty("(QUADPENALTY :EPSILON1 1)").get(), 1), 1.3);
    EXPECT_DOUBLE_EQ(
        measure.ComputePenalty(2, weights, Penalty("(quadpenalty :epsilon2 0.5 :beta 0)").get(), 2),
        5.0);
    EXPECT_DOUBLE_EQ(
        measure.ComputePenalty(2, signedWeights,
                               Penalty("(LWF :LEARNINGRATE 0.1 :FORGETTINGRATE 0.5)").get(), 7),
        0.15);
    EXPECT_EQ(measure.ComputePenalty(2, weights, Penalty("(lwf)").get(), 1), 0.0);
    EXPECT_EQ(measure.ComputePenalty(2, weights, Penalty("none").get(), 1), 0.0);
    EXPECT_EQ(measure.ComputePenalty(2, weights, nullptr, 1), 0.0);
}

TEST(TErrorObj, AddPenaltyAddsToTheErrorSum) {
    const double weights[] = {1, 2};
    TErrorCrossEntropyObj measure(1);
    measure.AddPenalty(2, weights, Penalty("(QUADPENALTY :EPSILON1 1)").get());
    EXPECT_DOUBLE_EQ(measure.GetError(), 1.3);
}

TEST(TErrorObj, BadPenaltySettingsAreRefused) {
    const double weights[] = {1};
    const TErrorRMSObj measure(1);
    EXPECT_THROW(measure.ComputePenalty(1, weights, Penalty("(QUADPENALTY :BETA x)").get(), 1),
                 TKQstructure::Error);
    EXPECT_THROW(measure.ComputePenalty(1, weights, Penalty("(DECAY :RATE 1)").get(), 1),
                 TCheckFailure);
}

}  // namespace
