#include "NeuralNets/ActFunctions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "KQmessage/Check.h"
#include "KQmessage/KQML.h"
#include "KQmessage/TException.h"
#include "NeuralNets/TGainNeuron.h"

namespace {

double Output(TActFunction function, double x, double gain = 1.0) {
    double value = -123.0;
    TGainNeuron neuron;
    neuron.value = &value;
    neuron.gain = gain;
    function(neuron, x);
    return value;
}

struct FunctionCase {
    const char* name;
    TActFunction function;
    double x;
    double expected;
};

TEST(ActFunctions, ValuesAtAndAroundTheThresholds) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const FunctionCase cases[] = {
        {"saturated-linear", ActFunctions::SaturatedLinear, -0.5, 0.0},
        {"saturated-linear", ActFunctions::SaturatedLinear, 0.0, 0.0},
        {"saturated-linear", ActFunctions::SaturatedLinear, 0.25, 0.25},
        {"saturated-linear", ActFunctions::SaturatedLinear, 1.0, 1.0},
        {"saturated-linear", ActFunctions::SaturatedLinear, 7.0, 1.0},
        {"saturated-linear", ActFunctions::SaturatedLinear, nan, 0.0},
        {"sigmoid", ActFunctions::Sigmoid, 0.0, 0.5},
        {"sigmoid", ActFunctions::Sigmoid, -500.0001, 1e-300},
        {"sigmoid", ActFunctions::Sigmoid, -500.0,
         static_cast<double>(1.0L / (std::exp(500.0L) + 1.0L))},
        {"bias", ActFunctions::Bias, 0.0, 1.0},
        {"bias", ActFunctions::Bias, -1.0, 1.0},
        {"linear", ActFunctions::Linear, -2.5, -2.5},
        {"tanh", ActFunctions::Tanh, 0.5, static_cast<double>(std::tanh(0.5L))},
    };
    for (const FunctionCase& c : cases) {
        EXPECT_EQ(Output(c.function, c.x), c.expected) << c.name << " at " << c.x;
    }
    EXPECT_TRUE(std::isnan(Output(ActFunctions::Sigmoid, nan)));
}

TEST(ActFunctions, GainVariantsEqualTheirTwinsAtGainOne) {
    for (double x : {-3.0, -0.4, 0.0, 0.7, 5.0}) {
        EXPECT_EQ(Output(ActFunctions::LinearGain, x), Output(ActFunctions::Linear, x));
        EXPECT_EQ(Output(ActFunctions::SigmoidGain, x), Output(ActFunctions::Sigmoid, x));
        EXPECT_EQ(Output(ActFunctions::TanhGain, x), Output(ActFunctions::Tanh, x));
    }
    EXPECT_EQ(Output(ActFunctions::LinearGain, 3.0, 2.0), 6.0);
    EXPECT_EQ(Output(ActFunctions::TanhGain, 0.25, 2.0), Output(ActFunctions::Tanh, 0.5));
    EXPECT_EQ(Output(ActFunctions::SigmoidGain, -1000.0, 1.0), 0.0);
}

TEST(ActFunctionsDeathTest, PlaceholdersStopWhenRun) {
    EXPECT_DEATH(Output(ActFunctions::Error, 0.0), "Assertion failed: false, file NeuralNets/");
    EXPECT_DEATH(Output(ActFunctions::Null, 0.0), "Assertion failed: false");
    EXPECT_DEATH(Output(ActFunctions::Cog, 0.0), "Assertion failed: false");
}

TEST(TFnRegistry, RegistersTheStandardSetInOrder) {
    TFnRegistry registry;
    registry.RegisterDefaults();
    ASSERT_EQ(registry.GetNumEntries(), 12);
    const char* names[] = {
        "error",       "null",         "bias",      "linear", "saturated-linear", "sigmoid", "tanh",
        "linear-gain", "sigmoid-gain", "tanh-gain", "cog",    "Zorf-condition"};
    for (const char* name : names) {
        EXPECT_EQ(registry.GetFunctionName(registry.GetFunction(name)), name);
    }
    EXPECT_EQ(registry.GetFunction("sigmoid"), ActFunctions::Sigmoid);
}

TEST(TFnRegistry, LooksNamesUpWithoutRegardToCase) {
    TFnRegistry registry;
    registry.RegisterDefaults();
    EXPECT_EQ(registry.GetFunction("TANH"), registry.GetFunction("tanh"));
    EXPECT_EQ(registry.GetFunctionName(registry.GetFunction("TaNh")), "tanh");
    EXPECT_EQ(registry.GetFunction("zorf-CONDITION"), ActFunctions::ZorfCondition);
}

TEST(TFnRegistry, RefusesAnUnknownNameAndStaysUnchanged) {
    TFnRegistry registry;
    registry.RegisterDefaults();
    try {
        registry.GetFunction("softmax");
        FAIL() << "an unknown name was accepted";
    } catch (const TCheckFailure& failure) {
        EXPECT_EQ(std::string(failure.what()).rfind("Assertion failed: false, file NeuralNets/", 0),
                  0U);
    }
    EXPECT_EQ(registry.GetNumEntries(), 12);
}

void Dummy(TBasicNeuron&, double) {}

TEST(TFnRegistry, DoublesItsCapacityWhenFull) {
    TFnRegistry registry;
    registry.RegisterDefaults();
    EXPECT_EQ(registry.GetCapacity(), 16);
    for (int i = 0; i < 4; ++i) {
        registry.Register(Dummy, "extra" + std::to_string(i));
    }
    EXPECT_EQ(registry.GetCapacity(), 16);
    registry.Register(Dummy, "seventeenth");
    EXPECT_EQ(registry.GetNumEntries(), 17);
    EXPECT_EQ(registry.GetCapacity(), 32);
    EXPECT_EQ(registry.GetFunction("error"), ActFunctions::Error);
    EXPECT_EQ(registry.GetFunction("EXTRA2"), Dummy);
    // The last entry with the function answers for its name.
    EXPECT_EQ(registry.GetFunctionName(Dummy), "seventeenth");
}

TEST(TFnRegistry, SlotOfANewNameStartsEmpty) {
    TFnRegistry registry;
    registry.RegisterDefaults();
    TActFunction& slot = registry.GetFunctionSlot("custom");
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(registry.GetNumEntries(), 13);
    slot = Dummy;
    EXPECT_EQ(registry.GetFunction("Custom"), Dummy);
    EXPECT_EQ(&registry.GetFunctionSlot("CUSTOM"), &slot);
    EXPECT_EQ(registry.GetNumEntries(), 13);
}

TEST(TFnRegistryDeathTest, StopsOnADuplicateNameOrAnUnknownFunction) {
    TFnRegistry registry;
    registry.RegisterDefaults();
    EXPECT_DEATH(registry.Register(Dummy, "Sigmoid"),
                 "Assertion failed: strcasecmp\\(p,pp->name\\)!=0, file NeuralNets/ActFunctions");
    EXPECT_DEATH(registry.GetFunctionName(Dummy), "Assertion failed: false");
}

TEST(ActFunctions, GainFunctionsAreRefusedOnNeuronsWithoutGain) {
    TBasicNeuron plain;
    EXPECT_THROW(plain.SetActivationFunction(ActFunctions::SigmoidGain), TException);
    EXPECT_EQ(plain.actFunction, ActFunctions::Error);
    plain.SetActivationFunction(ActFunctions::Sigmoid);
    EXPECT_EQ(plain.actFunction, ActFunctions::Sigmoid);
    TGainNeuron withGain;
    withGain.SetActivationFunction(ActFunctions::TanhGain);
    EXPECT_EQ(withGain.actFunction, ActFunctions::TanhGain);
}

}  // namespace
