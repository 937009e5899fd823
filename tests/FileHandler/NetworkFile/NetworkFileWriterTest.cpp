#include "FileHandler/NetworkFile/NetworkFileWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FileHandler/FilesIn.h"
#include "FileHandler/NetworkFileText.h"
#include "NeuralNets/NetworkBuilders.h"
#include "NeuralNets/TConnectedNetwork.h"
#include "NeuralNets/TGainLayer.h"

namespace {

using FileTools::OutputStream;
using Files = std::vector<std::string>;

std::string WrittenText(TBasicNetwork& network) {
    OutputStream out;
    FileTools::WriteNetwork(out, network);
    return out.Text();
}

// The message of the FileTools::Error that writing raises; empty when it is written.
std::string WriteFailure(TBasicNetwork& network) {
    try {
        WrittenText(network);
    } catch (const FileTools::Error& e) {
        return e.message;
    }
    return "";
}

// The block [Layer = k] ... [~Layer] of a written network.
std::string LayerBlock(const std::string& text, std::int32_t k) {
    const std::size_t start = text.find("[Layer = " + std::to_string(k) + "]\n");
    const std::string end = "[~Layer]\n";
    const std::size_t stop = text.find(end, start);
    EXPECT_NE(stop, std::string::npos);
    return text.substr(start, stop + end.size() - start);
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// Layer 0 a bias neuron, layer 1 two inputs, layer 2 two gain neurons with sigmoid-gain; the
// bias feeds every gain neuron (one arc frozen), one input feeds one of them.
std::unique_ptr<TBasicNetwork> MakeBiasedGainNetwork() {
    auto network = std::make_unique<TBasicNetwork>(3);
    auto* bias = new TSimpleLayer(network.get(), 0, 1);
    bias->SetActivationFunction(ActFunctions::Bias);
    network->SetLayer(0, bias);
    network->SetLayer(1, new TSimpleInputLayer(network.get(), 1, 2));
    auto* gains = new TGainLayer(network.get(), 2, 2, 1.0);
    gains->SetActivationFunction(ActFunctions::SigmoidGain);
    network->SetLayer(2, gains);
    network->ConnectLayers(0, 2);
    network->GetConnections(0, 2).GetWeight(0, 0) = 0.5;
    network->GetConnections(0, 2).GetWeight(0, 1) = -0.25;
    network->GetConnections(0, 2).Freeze(0, 1);
    network->ConnectLayers(1, 2);
    TBasicConnections& inputs = network->GetConnections(1, 2);
    inputs.RemoveArc(0, 0);
    inputs.RemoveArc(0, 1);
    inputs.RemoveArc(1, 1);
    inputs.GetWeight(1, 0) = 0.125;
    return network;
}

TEST(NetworkFileWriter, WritesTheWholeFileByteForByte) {
    const std::unique_ptr<TBasicNetwork> network = MakeBiasedGainNetwork();
    EXPECT_EQ(WrittenText(*network),
              "[FormatVersion = 1.0]\n"
              "\n"
              "[NeuralNetwork]\n"
              "[NetworkType = Basic]\n"
              "\n"
              "[NetworkInformation]\n"
              "[NumberOfLayers = 3]\n"
              "[InputLayer = 1]\n"
              "[OutputLayer = 2]\n"
              "[NumberOfInputs = 2]\n"
              "[NumberOfOutputs = 2]\n"
              "[BiasLayer = 0]\n"
              "[~NetworkInformation]\n"
              "\n"
              "[Layer = 0]\n"
              "[LayerType = Simple]\n"
              "[NumberOfNeurons = 1]\n"
              "[All ActivationFunction=bias ]\n"
              "[~Layer]\n"
              "\n"
              "[Layer = 1]\n"
              "[LayerType = Input]\n"
              "[NumberOfNeurons = 2]\n"
              "[All ActivationFunction=linear ]\n"
              "[~Layer]\n"
              "\n"
              "[Layer = 2]\n"
              "[LayerType = Gain]\n"
              "[NumberOfNeurons = 2]\n"
              "[All ActivationFunction=sigmoid-gain ]\n"
              "[All Gain=1.000000000000000 ]\n"
              "[~Layer]\n"
              "\n"
              "[ConnectionLayer]\n"
              "[LayerFrom = 0]\n"
              "[LayerTo = 2]\n"
              "[ConnectionType = Pruneable]\n"
              "[Attributes Pruneable Freezable ]\n"
              "[Matrix Weights TrainableInfo ]\n"
              "/* To->              0                      1  From */\n"
              "                 0.5 T                -0.25 F  /* 0 */\n"
              "[~Matrix]\n"
              "[~ConnectionLayer]\n"
              "\n"
              "[ConnectionLayer]\n"
              "[LayerFrom = 1]\n"
              "[LayerTo = 2]\n"
              "[ConnectionType = Pruneable]\n"
              "[Attributes Pruneable Freezable ]\n"
              "[WeightList]\n"
              "[From=1 To=0 Weight=0.125000000000000 Trainable ]\n"
              "[~WeightList]\n"
              "[~ConnectionLayer]\n"
              "\n"
              "[~NeuralNetwork]\n");
}

TEST(NetworkFileWriter, FullyConnectedMatrixHasNoTrainableInfo) {
    const auto network = MakeNetwork<TConnectedNetwork>({0, 2, 3});
    network->ConnectLayers(1, 2);
    NumberWeights(*network, 1, 2, 0.5);
    const std::string text = WrittenText(*network);
    EXPECT_NE(text.find("[NetworkType = Connected]\n"), std::string::npos);
    const std::size_t block = text.find("[ConnectionLayer]\n");
    EXPECT_EQ(text.substr(block),
              "[ConnectionLayer]\n"
              "[LayerFrom = 1]\n"
              "[LayerTo = 2]\n"
              "[ConnectionType = FullyConnected]\n"
              "[Attributes UnPrunable UnFreezable ]\n"
              "[Matrix Weights ]\n"
              "/* To->            0                    1                    2  From */\n"
              "                 0.5                  1.5                  2.5  /* 0 */\n"
              "                10.5                 11.5                 12.5  /* 1 */\n"
              "[~Matrix]\n"
              "[~ConnectionLayer]\n"
              "\n"
              "[~NeuralNetwork]\n");
}

TEST(NetworkFileWriter, NoConnectionLayerForEmptyPairs) {
    const auto network = MakeNetwork({0, 2, 3});
    network->SetLayer(0, new TSimpleLayer(network.get(), 0, 0));
    const std::string text = WrittenText(*network);
    EXPECT_EQ(text.find("ConnectionLayer"), std::string::npos);
    const std::string end = "[~Layer]\n\n[~NeuralNetwork]\n";
    EXPECT_EQ(text.substr(text.size() - end.size()), end);
    // An empty layer reports the null function as the one all its neurons share.
    EXPECT_EQ(LayerBlock(text, 0),
              "[Layer = 0]\n[LayerType = Simple]\n[NumberOfNeurons = 0]\n"
              "[All ActivationFunction=null ]\n[~Layer]\n");
}

TEST(NetworkFileWriter, WhatTheNeuronsDoNotShareGoesIntoANeuronsBlock) {
    // Two neurons: simple ones without gains, else gain neurons.
    struct Case {
        const char* name;
        std::vector<double> gains;
        TActFunction functions[2];
        const char* lines;
    };
    const Case cases[] = {
        {"functions differ",
         {},
         {ActFunctions::Sigmoid, ActFunctions::Tanh},
         "[Neurons]\n"
         "[Neuron=0 ActivationFunction=sigmoid ]\n"
         "[Neuron=1 ActivationFunction=tanh ]\n"
         "[~Neurons]\n"},
        {"gains differ",
         {2.0, -0.5},
         {ActFunctions::LinearGain, ActFunctions::LinearGain},
         "[All ActivationFunction=linear-gain ]\n"
         "[Neurons]\n"
         "[Neuron=0 Gain=2.000000000000000 ]\n"
         "[Neuron=1 Gain=-0.500000000000000 ]\n"
         "[~Neurons]\n"},
        {"functions differ, gains shared",
         {0.75, 0.75},
         {ActFunctions::TanhGain, ActFunctions::Linear},
         "[All Gain=0.750000000000000 ]\n"
         "[Neurons]\n"
         "[Neuron=0 ActivationFunction=tanh-gain ]\n"
         "[Neuron=1 ActivationFunction=linear ]\n"
         "[~Neurons]\n"},
        {"all shared",
         {3.0, 3.0},
         {ActFunctions::Sigmoid, ActFunctions::Sigmoid},
         "[All ActivationFunction=sigmoid ]\n"
         "[All Gain=3.000000000000000 ]\n"},
    };
    for (const Case& c : cases) {
        const auto network = MakeNetwork({0, 2, 0});
        TBasicLayer* layer = c.gains.empty()
                                 ? static_cast<TBasicLayer*>(new TSimpleLayer(network.get(), 2, 2))
                                 : new TGainLayer(network.get(), 2, 2, 1.0);
        network->SetLayer(2, layer);
        for (std::int32_t i = 0; i < 2; ++i) {
            layer->GetNeuron(i)->SetActivationFunction(c.functions[i]);
            if (!c.gains.empty()) {
                static_cast<TGainNeuron*>(layer->GetNeuron(i))->gain = c.gains[i];
            }
        }
        const std::string expected = std::string("[Layer = 2]\n[LayerType = ") +
                                     layer->GetLayerType() + "]\n[NumberOfNeurons = 2]\n" +
                                     c.lines + "[~Layer]\n";
        EXPECT_EQ(LayerBlock(WrittenText(*network), 2), expected) << c.name;
    }
}

TEST(NetworkFileWriter, SparseMatricesBecomeWeightLists) {
    for (const std::int32_t arcs : {0, 1, 34, 35, 100}) {
        const auto network = MakeNetwork({0, 10, 10});
        network->ConnectLayers(1, 2);
        TBasicConnections& matrix = network->GetConnections(1, 2);
        for (std::int32_t removed = 0; removed < 100 - arcs; ++removed) {
            matrix.RemoveArc(removed % 10, removed / 10);
        }
        const std::string text = WrittenText(*network);
        const bool list = arcs < 35;
        EXPECT_EQ(Occurrences(text, "[WeightList]\n"), list ? 1U : 0U) << arcs;
        EXPECT_EQ(Occurrences(text, "[Matrix Weights TrainableInfo ]\n"), list ? 0U : 1U) << arcs;
        EXPECT_EQ(Occurrences(text, " Trainable ]\n"), list ? static_cast<std::size_t>(arcs) : 0U)
            << arcs;
        EXPECT_EQ(Occurrences(text, " /* "), list ? 0U : 10U) << arcs;
    }
}

TEST(NetworkFileWriter, MatrixEntriesInGeneralFormat) {
    const auto network = MakeNetwork({0, 1, 6});
    network->ConnectLayers(1, 2);
    TBasicConnections& matrix = network->GetConnections(1, 2);
    const double weights[] = {0.1, 1e-20, 123456789.123, -2.0 / 3.0, 1e300};
    for (std::int32_t t = 0; t < 5; ++t) {
        matrix.GetWeight(0, t) = weights[t];
    }
    matrix.Freeze(0, 2);
    matrix.RemoveArc(0, 5);
    const std::string text = WrittenText(*network);
    EXPECT_NE(text.find("                 0.1 T                1e-20 T        123456789.123 F "
                        "  -0.666666666666667 T               1e+300 T                    - -  "
                        "/* 0 */\n"),
              std::string::npos)
        << text;
}

TEST(NetworkFileWriter, RefusesWhatTheFormatCannotCarry) {
    struct Case {
        const char* name;
        std::function<void(TBasicNetwork&)> change;
        const char* failure;
    };
    const auto gain = [](double value) {
        return [value](TBasicNetwork& network) {
            static_cast<TGainLayer*>(network.GetLayer(2))->SetGain(value);
        };
    };
    const auto listWeight = [](double value) {
        return [value](TBasicNetwork& network) {
            network.GetConnections(1, 2).GetWeight(1, 0) = value;
        };
    };
    const Case cases[] = {
        {"gain of 19 characters", gain(999.5), ""},
        {"negative gain of 19 characters", gain(-99.5), ""},
        {"gain of 20 characters at 15 decimals", gain(1000.0), ""},
        {"negative gain of 20 characters at 15 decimals", gain(-100.0), ""},
        {"listed weight of 20 characters at 15 decimals", listWeight(-512.0), ""},
        {"gain of 20 digits", gain(1e19),
         "Number text longer than 19 characters: Gain=10000000000000000000.000000000000000"},
        {"long weight in a matrix",
         [](TBasicNetwork& network) { network.GetConnections(0, 2).GetWeight(0, 0) = -1e300; }, ""},
        {"two bias neurons",
         [](TBasicNetwork& network) {
             auto* bias = new TSimpleLayer(&network, 0, 2);
             bias->SetActivationFunction(ActFunctions::Bias);
             network.DisconnectLayers(0, 2);
             network.SetLayer(0, bias);
         },
         "Illegal number of bias nodes"},
    };
    for (const Case& c : cases) {
        const std::unique_ptr<TBasicNetwork> network = MakeBiasedGainNetwork();
        c.change(*network);
        EXPECT_EQ(WriteFailure(*network), c.failure) << c.name;
    }
}

// Values too long for 15 decimals (inputs in their own units put centres there) take the
// decimals that fit and read back as the same doubles.
TEST(NetworkFileWriter, LongValuesTakeFewerDecimalsAndReadBackTheSame) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {1000.0, "Weight=1000.00000000000000 "},
        {-2501.123456789012, "Weight=-2501.1234567890119"},
        {123456789.25, "Weight=123456789.250000000 "},
        {9.007199254740993e17, "Weight=900719925474099328 "},
    };
    for (const auto& c : cases) {
        const std::unique_ptr<TBasicNetwork> network = MakeBiasedGainNetwork();
        network->GetConnections(1, 2).GetWeight(1, 0) = c.value;
        const std::string text = WrittenText(*network);
        EXPECT_NE(text.find(c.text), std::string::npos) << c.value;
        const std::unique_ptr<TBasicNetwork> back = ReadNetworkText(text);
        EXPECT_EQ(back->GetConnections(1, 2).GetWeight(1, 0), c.value);
    }
}

TEST(NetworkFileWriter, SaveNetworkReplacesTheFileWhole) {
    TTempDir folder;
    const std::unique_ptr<TBasicNetwork> network = MakeBiasedGainNetwork();
    const std::string path = folder.Write("net.wts", "earlier network");
    FileTools::SaveNetwork(path, *network);
    EXPECT_EQ(folder.Read("net.wts"), WrittenText(*network));

    // A network the format cannot carry leaves the earlier file as it was.
    folder.Write("net.wts", "earlier network");
    static_cast<TGainLayer*>(network->GetLayer(2))->SetGain(1e25);
    EXPECT_THROW(FileTools::SaveNetwork(path, *network), FileTools::Error);
    EXPECT_EQ(folder.Read("net.wts"), "earlier network");
    EXPECT_EQ(FilesIn(folder), (Files{"net.wts"}));
}

TEST(NetworkFileWriter, SaveNetworkReportsAFileThatCannotBeWritten) {
    TTempDir folder;
    const std::unique_ptr<TBasicNetwork> network = MakeBiasedGainNetwork();
    const std::string path = folder.File("missing/net.wts");
    try {
        FileTools::SaveNetwork(path, *network);
        ADD_FAILURE() << "no FileTools::Error";
    } catch (const FileTools::Error& e) {
        EXPECT_EQ(e.message, "Unable to write the network file " + path);
    }
    EXPECT_TRUE(FilesIn(folder).empty());
}

}  // namespace
