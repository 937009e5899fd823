#include "NeuralNets/TBasicLayer.h"

#include <gtest/gtest.h>

#include <vector>

#include "KQmessage/KQML.h"
#include "KQmessage/TException.h"
#include "NetworkBuilders.h"
#include "NeuralNets/TGainLayer.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(TBasicLayer, ActivationFunctionIsRecordedOnlyWhileAllNeuronsAgree) {
    TBasicNetwork network(2);
    TSimpleLayer layer(&network, 0, 3);
    layer.SetActivationFunction(ActFunctions::Sigmoid);
    EXPECT_EQ(layer.GetActivationFunction(), ActFunctions::Sigmoid);
    layer.GetNeuron(1)->SetActivationFunction(ActFunctions::Tanh);
    EXPECT_EQ(layer.GetActivationFunction(), nullptr);
    layer.GetNeuron(1)->SetActivationFunction(ActFunctions::Sigmoid);
    EXPECT_EQ(layer.GetActivationFunction(), ActFunctions::Sigmoid);
    // Recorded again: a later change of a neuron's own field is not consulted.
    layer.GetNeuron(2)->actFunction = ActFunctions::Tanh;
    EXPECT_EQ(layer.GetActivationFunction(), ActFunctions::Sigmoid);

    TSimpleLayer empty(&network, 1, 0);
    EXPECT_EQ(empty.GetActivationFunction(), ActFunctions::Null);
}

TEST(TBasicLayer, NewNeuronsCarryTheErrorFunctionAndPointIntoValues) {
    TBasicNetwork network(1);
    TSimpleLayer layer(&network, 0, 2);
    for (std::int32_t i = 0; i < 2; ++i) {
        TBasicNeuron& neuron = *layer.GetNeuron(i);
        EXPECT_EQ(neuron.actFunction, ActFunctions::Error);
        EXPECT_EQ(neuron.value, layer.GetValues() + i);
        EXPECT_EQ(neuron.layer, &layer);
        EXPECT_EQ(neuron.index, i);
        EXPECT_EQ(layer.GetValues()[i], 0.0);
    }
}

TEST(TBasicLayer, GainFunctionsAreRefusedBeforeAnythingChanges) {
    TBasicNetwork network(1);
    TSimpleLayer layer(&network, 0, 2);
    layer.SetActivationFunction(ActFunctions::Linear);
    EXPECT_THROW(layer.SetActivationFunction(ActFunctions::LinearGain), TException);
    EXPECT_EQ(layer.GetActivationFunction(), ActFunctions::Linear);
    EXPECT_EQ(layer.GetNeuron(1)->actFunction, ActFunctions::Linear);

    TGainLayer gains(&network, 0, 2, 1.0);
    gains.SetActivationFunction(ActFunctions::SigmoidGain);
    EXPECT_EQ(gains.GetActivationFunction(), ActFunctions::SigmoidGain);
}

TEST(TBasicLayer, DimensionsAreCopiedInAndOut) {
    TBasicNetwork network(1);
    TSimpleLayer layer(&network, 0, 6);
    const std::int32_t shape[] = {2, 3};
    layer.SetDimensions(2, shape);
    std::vector<std::int32_t> out(2);
    layer.GetDimensions(out.data());
    EXPECT_EQ(out, (std::vector<std::int32_t>{2, 3}));
    layer.SetDimensions(0, nullptr);
    EXPECT_EQ(layer.GetNumDimensions(), 0);
}

// Layer 0 feeds layer 1 (the input position) and layer 2 through weights of 1.
std::unique_ptr<TBasicNetwork> NetworkWithLowerLayer() {
    auto network = MakeNetwork({1, 2, 2});
    network->GetLayer(0)->SetActivationFunction(ActFunctions::Bias);
    return network;
}

TEST(TBasicLayer, SimpleLayerAtTheInputPositionWarnsOncePerRowAndAddsContributions) {
    auto network = MakeNetwork({1, 2, 2});
    network->GetLayer(0)->SetActivationFunction(ActFunctions::Bias);
    auto* simple = new TSimpleLayer(network.get(), 1, 2);
    simple->SetActivationFunction(ActFunctions::Linear);
    network->SetLayer(1, simple);
    network->ConnectLayers(0, 1);
    network->GetConnections(0, 1).GetWeight(0, 0) = 0.5;
    const double input[] = {3.0, 4.0};
    double output[2];
    CaptureStderr();
    network->Propagate(input, output);
    network->Propagate(input, output);
    EXPECT_EQ(GetCapturedStderr(),
              "!Warning: changed input layer (TSimpleLayer)\n"
              "!Warning: changed input layer (TSimpleLayer)\n");
    EXPECT_EQ(simple->GetValues()[0], 3.5);
    EXPECT_EQ(simple->GetValues()[1], 4.0);
}

TEST(TBasicLayer, InputLayerAwayFromTheInputPositionWarnsAndOutputsZeros) {
    auto network = NetworkWithLowerLayer();
    network->SetLayer(2, new TSimpleInputLayer(network.get(), 2, 2));
    network->ConnectLayers(1, 2);
    network->GetConnections(1, 2).SetWeights(std::vector<double>(4, 1.0).data(), FMaskAll);
    const double input[] = {3.0, 4.0};
    double output[2] = {9, 9};
    CaptureStderr();
    network->Propagate(input, output);
    EXPECT_EQ(GetCapturedStderr(), "!Warning: changed input layer (TSimpleInputLayer)\n");
    EXPECT_EQ(output[0], 0.0);
    EXPECT_EQ(output[1], 0.0);
}

TEST(TBasicLayer, InputLayerLoadsTheRowWhateverItsFunctions) {
    auto network = NetworkWithLowerLayer();
    network->GetLayer(1)->GetNeuron(0)->SetActivationFunction(ActFunctions::Bias);
    network->ConnectLayers(0, 1);
    network->SetOutLayer(1);
    const double input[] = {3.0, -4.0};
    double output[2];
    CaptureStderr();
    network->Propagate(input, output);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(output[0], 3.0);
    EXPECT_EQ(output[1], -4.0);
}

TEST(TBasicLayer, CloneHasZeroValuesAndTheSameFunctionsGainsAndDimensions) {
    TBasicNetwork network(1);
    TBasicNetwork other(1);
    TGainLayer layer(&network, 0, 3, 2.5);
    layer.SetActivationFunction(ActFunctions::TanhGain);
    layer.GetNeuron(2)->SetActivationFunction(ActFunctions::LinearGain);
    static_cast<TGainNeuron*>(layer.GetNeuron(1))->gain = 4.0;
    const std::int32_t shape[] = {3};
    layer.SetDimensions(1, shape);
    layer.GetValues()[0] = 7.0;

    TOwned<TBasicLayer> copy(layer.Clone(&other));
    EXPECT_STREQ(copy->GetLayerType(), "Gain");
    EXPECT_EQ(copy->GetNetwork(), &other);
    EXPECT_EQ(copy->GetNumDimensions(), 1);
    EXPECT_EQ(copy->GetActivationFunction(), nullptr);
    const double gains[] = {2.5, 4.0, 2.5};
    const TActFunction functions[] = {ActFunctions::TanhGain, ActFunctions::TanhGain,
                                      ActFunctions::LinearGain};
    for (std::int32_t i = 0; i < 3; ++i) {
        auto* neuron = static_cast<TGainNeuron*>(copy->GetNeuron(i));
        EXPECT_EQ(copy->GetValues()[i], 0.0);
        EXPECT_EQ(neuron->value, copy->GetValues() + i);
        EXPECT_EQ(neuron->layer, copy.get());
        EXPECT_EQ(neuron->gain, gains[i]);
        EXPECT_EQ(neuron->actFunction, functions[i]);
    }
}

TEST(TBasicLayer, ClonesKeepTheirClass) {
    TBasicNetwork network(2);
    TSimpleInputLayer input(&network, 1, 2);
    TOwned<TBasicLayer> copy(input.Clone(&network));
    EXPECT_STREQ(copy->GetLayerType(), "Input");
    EXPECT_EQ(copy->GetActivationFunction(), ActFunctions::Linear);
    TSimpleLayer simple(&network, 0, 1);
    EXPECT_STREQ(TOwned<TBasicLayer>(simple.Clone(&network))->GetLayerType(), "Simple");
    EXPECT_EQ(simple.GetLayerKind(), 1);
}

TEST(TBasicLayer, InsertNeuronTakesTheCommonFunctionAndTheFirstGain) {
    TBasicNetwork network(1);
    TGainLayer layer(&network, 0, 2, 1.0);
    static_cast<TGainNeuron*>(layer.GetNeuron(0))->gain = 2.5;
    layer.InsertNeuron(0);
    layer.SetNumNeurons(3);
    EXPECT_EQ(static_cast<TGainNeuron*>(layer.GetNeuron(0))->gain, 2.5);
    EXPECT_EQ(layer.GetNeuron(0)->actFunction, ActFunctions::Error);

    layer.SetActivationFunction(ActFunctions::SigmoidGain);
    layer.InsertNeuron(3);
    layer.SetNumNeurons(4);
    EXPECT_EQ(layer.GetNeuron(3)->actFunction, ActFunctions::SigmoidGain);
    for (std::int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(layer.GetNeuron(i)->value, layer.GetValues() + i);
    }

    TGainLayer empty(&network, 0, 0, 3.0);
    empty.InsertNeuron(0);
    EXPECT_EQ(static_cast<TGainNeuron*>(empty.GetNeuron(0))->gain, 1.0);
}

TEST(TBasicLayer, DeleteNeuronShiftsTheLaterNeuronsDown) {
    TBasicNetwork network(1);
    TSimpleLayer layer(&network, 0, 3);
    layer.GetNeuron(0)->SetActivationFunction(ActFunctions::Bias);
    layer.GetNeuron(1)->SetActivationFunction(ActFunctions::Linear);
    layer.GetNeuron(2)->SetActivationFunction(ActFunctions::Tanh);
    layer.DeleteNeuron(1);
    layer.SetNumNeurons(2);
    EXPECT_EQ(layer.GetNeuron(0)->actFunction, ActFunctions::Bias);
    EXPECT_EQ(layer.GetNeuron(1)->actFunction, ActFunctions::Tanh);
    EXPECT_EQ(layer.GetNeuron(1)->value, layer.GetValues() + 1);
}

TEST(TGainNeuron, ExposesItsGainAsTheOneParameter) {
    TGainNeuron neuron;
    EXPECT_EQ(neuron.GetNumParameters(), 1);
    EXPECT_STREQ(neuron.GetParameterName(0), "Gain");
    const double gain[] = {0.75};
    neuron.SetParameters(gain);
    double out[1];
    neuron.GetParameters(out);
    EXPECT_EQ(out[0], 0.75);
    EXPECT_EQ(TBasicNeuron().GetNumParameters(), 0);
}

TEST(TBasicLayerDeathTest, UnsupportedOperationsStop) {
    TGainNeuron neuron;
    EXPECT_DEATH(neuron.GetParameterName(1), "Assertion failed: i == 0");
    EXPECT_DEATH(TBasicNeuron().GetParameterName(0), "Assertion failed: false");
    TBasicNetwork network(1);
    TSimpleLayer layer(&network, 0, 1);
    EXPECT_DEATH(layer.ApplyActivation(layer.GetValues()), "Assertion failed: false");
    EXPECT_DEATH(layer.SetDimensions(1, nullptr), "Assertion failed: dimensions != NULL");
}

}  // namespace
