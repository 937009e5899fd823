#include "FileHandler/NetworkFile/NetworkFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FileHandler/NetworkFile/NetworkSoundness.h"
#include "FileHandler/NetworkFileText.h"
#include "FileHandler/ReadFailure.h"
#include "NeuralNets/TGainNeuron.h"
#include "NeuralNets/TSimpleLayer.h"
#include "Support/TempDir.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TZorf.h"

namespace {

using namespace FileTools;

const std::string kGainLayer =
    "[Layer = 1][LayerType = Gain][NumberOfNeurons = 2][ActivationFunction = linear-gain]";

std::vector<double> Gains(TBasicNetwork& network, std::int32_t layer) {
    std::vector<double> gains;
    TBasicLayer& l = *network.GetLayer(layer);
    for (std::int32_t i = 0; i < l.GetNumNeurons(); ++i) {
        gains.push_back(dynamic_cast<TGainNeuron&>(*l.GetNeuron(i)).gain);
    }
    return gains;
}

TEST(NetworkFile, HeaderBuildsTheNetworkWithItsDefaults) {
    struct Case {
        std::string type;
        std::string info;
        std::string networkType;
        std::int32_t layers;
        std::int32_t in;
        std::int32_t out;
    };
    const Case cases[] = {
        {"Basic", "[NumberOfLayers = 4]", "Basic", 4, 1, 3},
        {"connected", "[numberoflayers = 3][OutputLayer = 1][InputLayer = 0]", "Connected", 3, 0,
         1},
        {"BASIC", "[NumberOfLayers = 2][NumberOfLayers = 5][BiasLayer = 0]", "Basic", 5, 1, 4},
        {"Basic", "[NumberOfInputs = 7][NumberOfLayers = 2][NumberOfOutputs = 9]", "Basic", 2, 1,
         1},
    };
    for (const Case& c : cases) {
        const auto network = ReadNetworkText(NetworkText(c.type, c.info, ""));
        EXPECT_EQ(network->GetNetworkType(), c.networkType) << c.info;
        EXPECT_EQ(network->GetNumLayers(), c.layers) << c.info;
        EXPECT_EQ(network->GetInLayer(), c.in) << c.info;
        EXPECT_EQ(network->GetOutLayer(), c.out) << c.info;
    }
}

TEST(NetworkFile, FormatVersionMayStandAnywhereOutsideABracket) {
    const auto network = ReadNetworkText(
        "[FormatVersion = 1.0][NeuralNetwork][FormatVersion = 0.5][NetworkType = Basic]"
        "[NetworkInformation][NumberOfLayers = 2][~NetworkInformation][FormatVersion = 1]"
        "[~NeuralNetwork][FormatVersion = 1.0]");
    EXPECT_EQ(network->GetNumLayers(), 2);
}

TEST(NetworkFile, HeaderErrorsStopTheLoad) {
    struct Case {
        std::string text;
        std::string failure;
    };
    const Case cases[] = {
        {NetworkText("Fuzzy", "[NumberOfLayers = 3]", ""), "Unknown network type"},
        {NetworkText("Basic", "[InputLayer = 0]", ""), "Must specify number of layers"},
        {NetworkText("Basic", "[NumberOfLayers = 4 5]", ""), "Too complicated statement"},
        {NetworkText("Basic", "[Layers = 4]", ""), "Unknown keyword"},
        {NetworkText("Basic", "[Layers = four]", ""), "integer-expected"},
        {NetworkText("Basic", "[NumberOfLayers = 4][InputLayer = 4]", ""), "inlayer < numlayers"},
        {NetworkText("Basic", "[NumberOfLayers = 1]", ""), "inlayer < numlayers"},
        {NetworkText("Basic", "[NumberOfLayers = -3][InputLayer = -4]", ""),
         "InputLayer outside the layers"},
        {NetworkText("Basic", "[NumberOfLayers = 4][OutputLayer = 4]", ""),
         "OutputLayer outside the layers"},
        {NetworkText("Basic", "[NumberOfLayers = 4][OutputLayer = -1]", ""),
         "OutputLayer outside the layers"},
        {NetworkText("Basic", "[NumberOfLayers = 4] Layer", ""), "End Tag expected"},
        {"[Network]", "[NEURALNETWORK] expected"},
        {"[NeuralNetwork][NetworkInformation]",
         "[NETWORKTYPE = <string>] expectedNetworkInformation"},
        {"[NeuralNetwork][NetworkType = Basic][Information]", "[NETWORKINFORMATION] expected"},
        {NetworkText("Basic", "[NumberOfLayers = 2]", "") + "[Extra]", "End Tag expected"},
        {NetworkText("Basic", "[NumberOfLayers = 2]", "[Layers = 1]"), "End Tag expected"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NetworkFailure(c.text), c.failure) << c.text;
    }
}

TEST(NetworkFile, LayerBlocksBuildTheirLayers) {
    const auto network = ReadNetworkText(NetworkText(
        "Basic", "[NumberOfLayers = 4][NumberOfInputs = 2][NumberOfOutputs = 1]",
        "[Layer = 0][LayerType = Simple][NumberOfNeurons = 0][~Layer]"
        "[Layer = 1][layertype = INPUT][ALL NumberOfNeurons = 2][~Layer]"
        "[Layer = 3][NumberOfNeurons = 1][LayerType = Gain][ALL ActivationFunction = SIGMOID]"
        "[Gain = 2][~Layer]"
        "[Layer = 2][LayerType = Simple][LayerType = Gain][NumberOfNeurons = 3][all gain = 0.5]"
        "[ActivationFunction = tanh-gain][~Layer]"));
    const char* types[] = {"Simple", "Input", "Gain", "Gain"};
    const std::int32_t counts[] = {0, 2, 3, 1};
    for (std::int32_t k = 0; k < 4; ++k) {
        EXPECT_STREQ(network->GetLayer(k)->GetLayerType(), types[k]);
        EXPECT_EQ(network->GetLayer(k)->GetNumNeurons(), counts[k]);
    }
    EXPECT_EQ(network->GetLayer(1)->GetActivationFunction(), ActFunctions::Linear);
    EXPECT_EQ(network->GetLayer(2)->GetActivationFunction(), ActFunctions::TanhGain);
    EXPECT_EQ(network->GetLayer(3)->GetActivationFunction(), ActFunctions::Sigmoid);
    EXPECT_EQ(Gains(*network, 2), (std::vector<double>{0.5, 0.5, 0.5}));
    EXPECT_EQ(Gains(*network, 3), (std::vector<double>{2.0}));
}

TEST(NetworkFile, NeuronEntriesSetFunctionsAndCarryParametersOver) {
    const std::string twoLayers = "[NumberOfLayers = 2]";
    auto network = ReadNetworkText(NetworkText(
        "Basic", twoLayers,
        kGainLayer + "[Neurons][Neuron = 1][Neuron = 0 Gain = 2 ActivationFunction = tanh]"
                     "[~Neurons][~Layer]"));
    // Entries are applied in the order written: neuron 1 came before the gain was given.
    EXPECT_EQ(Gains(*network, 1), (std::vector<double>{2.0, 0.0}));
    // The layer's function holds; the one named in an entry is looked up but not applied.
    EXPECT_EQ(network->GetLayer(1)->GetActivationFunction(), ActFunctions::LinearGain);

    network = ReadNetworkText(
        NetworkText("Basic", twoLayers,
                    kGainLayer + "[Neurons][Neuron = 0 Gain = 2][Neuron = 1][~Neurons][~Layer]"));
    EXPECT_EQ(Gains(*network, 1), (std::vector<double>{2.0, 2.0}));

    network = ReadNetworkText(NetworkText(
        "Basic", twoLayers,
        "[Layer = 1][LayerType = Gain][NumberOfNeurons = 3][Gain = 4][Neurons]"
        "[Neuron = 0 Gain = 2 ActivationFunction = sigmoid-gain][Neuron = 1 activationfunction = "
        "Tanh][Neuron = 2 ActivationFunction = tanh Gain = 3][~Neurons][~Layer]"));
    EXPECT_EQ(Gains(*network, 1), (std::vector<double>{2.0, 2.0, 3.0}));
    TBasicLayer& layer = *network->GetLayer(1);
    EXPECT_EQ(layer.GetNeuron(0)->actFunction, ActFunctions::SigmoidGain);
    EXPECT_EQ(layer.GetNeuron(1)->actFunction, ActFunctions::Tanh);
    EXPECT_EQ(layer.GetActivationFunction(), nullptr);
}

TEST(NetworkFile, LayerErrorsStopTheLoad) {
    struct Case {
        std::string layers;
        std::string failure;
    };
    const std::string simple = "[LayerType = Simple][NumberOfNeurons = 2]";
    const Case cases[] = {
        {"[Layer = 2][~Layer]", "layernum < numlayers"},
        {"[Layer = -1][~Layer]", "layernum >= 0"},
        {"[Layer = one][~Layer]", "integer-expected"},
        {"[Layer = 1][Gain = 2][~Layer]", "numneurons >= 0"},
        {"[Layer = 1][NumberOfNeurons = 2][Gain = 2][~Layer]", "layer != NULL"},
        {"[Layer = 1]" + simple + "[Gain = 2][~Layer]", "found"},
        {"[Layer = 1][LayerType = Gain][NumberOfNeurons = 0][Gain = 2][~Layer]", "found"},
        {kGainLayer + "[Bias = 2][~Layer]", "found"},
        {kGainLayer + "[Gain = high][~Layer]", "number-expected"},
        {"[Layer = 1][LayerType = Simple][~Layer]", "NN -> layers[layernum] != NULL"},
        {"[Layer = 1][LayerType = Simple][NumberOfNeurons = -2][~Layer]",
         "NN -> layers[layernum] != NULL"},
        {"[Layer = 1][LayerType = Fancy][NumberOfNeurons = 2][~Layer]", "Unknown layer type"},
        {"[Layer = 1][ALL][~Layer]", "[ALL] is incomplete statment"},
        {"[Layer = 1][ALL Gain][~Layer]", "Required syntax is [ALL <keyword>=<val>]"},
        {"[Layer = 1][ALL LayerType = Simple Gain = 1][~Layer]", "Too complicated statement"},
        {"[Layer = 1][LayerType = Simple NumberOfNeurons = 2][~Layer]",
         "Too complicated statement"},
        {kGainLayer + "[~Layer]", "Incomplete Layer information"},
        {"[Layer = 1]" + simple + "[LayerType = Gain][~Layer]",
         "LayerType repeated after the layer exists"},
        {"[Layer = 1]" + simple + "[NumberOfNeurons = 3][~Layer]",
         "NumberOfNeurons repeated after the layer exists"},
        {"[Layer = 1]" + simple + "[~Layer][Layer = 1]" + simple + "[~Layer]",
         "Layer defined twice"},
        {"[Layer = 1]" + simple + "[ActivationFunction = sigmod][~Layer]",
         "Unknown activation function sigmod"},
        {"[Layer = 1]" + simple +
             "[Neurons][Neuron = 0 ActivationFunction = Sigmoid][Neuron = 1 "
             "ActivationFunction = softmax][~Neurons][~Layer]",
         "Unknown activation function softmax"},
        {"[Layer = 1]" + simple +
             "[Neurons][Neuron = 0 ActivationFunction = linear][Neuron = 0 "
             "ActivationFunction = linear][~Neurons][~Layer]",
         "repeated neuron"},
        {"[Layer = 1]" + simple +
             "[Neurons][Neuron = 1 ActivationFunction = linear]"
             "[~Neurons][~Layer]",
         "Neuron not defined"},
        {"[Layer = 1]" + simple + "[Neurons][Neuron = 2][~Neurons][~Layer]",
         "neuronnum<numneurons"},
        {"[Layer = 1]" + simple + "[Neurons][Neuron = -1][~Neurons][~Layer]", "neuronnum>=0"},
        {"[Layer = 1]" + simple + "[Neurons][Neuron = 0 linear][~Neurons][~Layer]",
         "Equals clause expected in neuron parameter"},
        {"[Layer = 1]" + simple + "[Neurons][Neuron = 0][~Neurons][~Layer]",
         "No activation function defined"},
        {"[Layer = 1]" + simple + "[Neurons][Neuron = 0 Gain = 1][~Neurons][~Layer]", "found"},
        {kGainLayer + "[Neurons][Neuron = 0][Neuron = 1][Bias][~Neurons][~Layer]",
         "End Tag expected"},
        {kGainLayer + "[Gain = 1][Bias][~Layer]", "End Tag expected"},
        {"[Layer = 1]" + simple + "[ActivationFunction = linear-gain][~Layer]",
         "Gain function on a neuron without gain"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NetworkFailure(NetworkText("Basic", "[NumberOfLayers = 2]", c.layers)), c.failure)
            << c.layers;
    }
}

TEST(NetworkFile, LayerSizesMustMatchTheHeader) {
    const std::string info = "[NumberOfLayers = 3][NumberOfInputs = 3][NumberOfOutputs = 1]";
    EXPECT_EQ(NetworkFailure(NetworkText(
                  "Basic", info, "[Layer = 1][LayerType = Input][NumberOfNeurons = 2][~Layer]")),
              "wrong number inputs in header");
    EXPECT_EQ(NetworkFailure(NetworkText(
                  "Basic", info, "[Layer = 2][NumberOfNeurons = 2][LayerType = Simple][~Layer]")),
              "wrong number outputs in header");
    EXPECT_EQ(NetworkFailure(NetworkText(
                  "Basic", info, "[Layer = 0][NumberOfNeurons = 2][LayerType = Simple][~Layer]")),
              "");
}

TEST(NetworkFile, LayerBlocksComeBeforeConnectionBlocks) {
    const std::string layers =
        "[Layer = 0][LayerType = Input][NumberOfNeurons = 1][~Layer]"
        "[Layer = 1][LayerType = Simple][NumberOfNeurons = 1][ActivationFunction = linear]"
        "[~Layer]";
    const std::string connection =
        "[ConnectionLayer][LayerFrom = 0][LayerTo = 1][ConnectionType = Pruneable]"
        "[~ConnectionLayer]";
    const std::string info = "[NumberOfLayers = 3][InputLayer = 0]";
    EXPECT_EQ(NetworkFailure(NetworkText("Basic", info, layers + connection)), "");
    EXPECT_EQ(
        NetworkFailure(NetworkText(
            "Basic", info,
            layers + connection + "[Layer = 2][LayerType = Simple][NumberOfNeurons = 1][~Layer]")),
        "End Tag expected");
}

TEST(NetworkFile, ALoadedNetworkPropagates) {
    // A bias neuron below the inputs, both feeding one linear output.
    const auto network = ReadNetworkText(NetworkText(
        "Connected", "[NumberOfLayers = 3][BiasLayer = 0]",
        "[Layer = 0][LayerType = Simple][NumberOfNeurons = 1][ALL ActivationFunction=bias ]"
        "[~Layer]"
        "[Layer = 1][LayerType = Input][NumberOfNeurons = 2][~Layer]"
        "[Layer = 2][LayerType = Simple][NumberOfNeurons = 1][ActivationFunction = linear]"
        "[~Layer]"
        "[ConnectionLayer][LayerFrom = 0][LayerTo = 2][ConnectionType = FullyConnected]"
        "[Matrix Weights] 0.5 [~Matrix][~ConnectionLayer]"
        "[ConnectionLayer][LayerFrom = 1][LayerTo = 2][ConnectionType = FullyConnected]"
        "[Attributes UnPrunable UnFreezable ][Matrix Weights ] 1 /* 0 */ 2 /* 1 */ [~Matrix]"
        "[~ConnectionLayer]"));
    const double input[] = {1.0, 3.0};
    double output = 0.0;
    network->Propagate(input, &output);
    EXPECT_EQ(output, 7.5);
}

TEST(NetworkFile, LoadNetworkOpensTheFile) {
    TTempDir folder;
    ScratchBuffer scratch;
    const std::string path =
        folder.Write("basic.net", NetworkText("Basic", "[NumberOfLayers = 2]", ""));
    auto report = std::make_unique<TKQstructure>("stale");
    EXPECT_EQ(LoadNetwork(scratch, path, &report)->GetNumLayers(), 2);
    EXPECT_EQ(report, nullptr);
    EXPECT_EQ(ReadFailure([&] { LoadNetwork(scratch, folder.File("none.net")); }),
              "Error on File Open");
}

}  // namespace

namespace {

TEST(NetworkFile, ZorfNetworksGetTheirFuzzyLayersAndMatrices) {
    const auto network = ReadNetworkText(TestDataFile("Recall/small.net"));
    auto* zorf = dynamic_cast<TZorf*>(network.get());
    ASSERT_NE(zorf, nullptr);
    // The membership array listed input 1 before input 0.
    const std::span<const std::int32_t> counts = zorf->GetConditionLayer()->GetMFCounts();
    EXPECT_EQ(std::vector<std::int32_t>(counts.begin(), counts.end()),
              (std::vector<std::int32_t>{2, 3}));
    EXPECT_EQ(zorf->GetWeightLayer(1), (std::vector<double>{0.1, 0.9, 0.0, 0.4, 1.0}));
    EXPECT_EQ(zorf->GetWeightLayer(4), (std::vector<double>{0.1, 0.9, 0.2, 1.0}));
    EXPECT_EQ(network->GetConnections(1, 2).GetFlags(1, 3), FMaskExists);
    EXPECT_EQ(network->GetConnections(4, 5).GetFlags(3, 1), FMaskExists);
    EXPECT_EQ(network->GetConnections(4, 5).GetFlags(2, 1), FMaskAll);
    EXPECT_TRUE(zorf->WeightExists(2, 4, 1));
    EXPECT_FALSE(zorf->WeightExists(2, 4, 2));
    EXPECT_EQ(network->GetConnections(2, 3).GetFlags(1, 2), FMaskExists);
    TBasicLayer& rules = *network->GetLayer(3);
    EXPECT_EQ(rules.GetNeuron(1)->actFunction, ActFunctions::SaturatedLinear);
    EXPECT_EQ(rules.GetNeuron(2)->actFunction, ActFunctions::Tanh);
    EXPECT_NO_THROW(RequireRecallable(*network));
}

TEST(NetworkFile, ZorfNetworksHaveSixLayers) {
    const std::string text = TestDataFile("Recall/small.net");
    EXPECT_EQ(NetworkFailure(Replaced(text, "[NumberOfLayers = 6]", "[NumberOfLayers = 5]")),
              "numlayers == 6");
    EXPECT_EQ(NetworkFailure(Replaced(text, "[NumberOfLayers = 6]", "[NumberOfLayers = 7]")),
              "numlayers == 6");
    EXPECT_EQ(NetworkFailure(Replaced(text, "[NetworkType = Zorf]", "[NetworkType = zorf]")), "");
}

TEST(NetworkFile, EveryLayerSlotNeedsABlockBeforeRecall) {
    const auto network = ReadNetworkText(NetworkText(
        "Basic", "[NumberOfLayers = 3][InputLayer = 0][OutputLayer = 2]",
        "[Layer = 0][LayerType = Input][NumberOfNeurons = 1][~Layer]"
        "[Layer = 2][LayerType = Simple][NumberOfNeurons = 1][ActivationFunction = tanh][~Layer]"));
    EXPECT_EQ(ReadFailure([&] { RequireRecallable(*network); }),
              "Layer 1: no layer block defines it");
    network->SetLayer(1, new TSimpleLayer(network.get(), 1, 0));
    EXPECT_EQ(ReadFailure([&] { RequireRecallable(*network); }), "");
}

TEST(NetworkFile, ANeuronParameterThatIsNotFiniteIsRefusedBeforeRecall) {
    const auto network = ReadNetworkText(NetworkText(
        "Basic", "[NumberOfLayers = 2][InputLayer = 0][OutputLayer = 1]",
        "[Layer = 0][LayerType = Input][NumberOfNeurons = 1][~Layer]" + kGainLayer +
            "[Neurons][Neuron = 0 Gain = 2][Neuron = 1 Gain = -inf][~Neurons][~Layer]"));
    EXPECT_EQ(ReadFailure([&] { RequireRecallable(*network); }),
              "Layer 1: neuron parameter not a finite number (node 1)");
}

}  // namespace
