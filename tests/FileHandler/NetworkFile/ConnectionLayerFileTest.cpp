#include "FileHandler/NetworkFile/ConnectionLayerFile.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "FileHandler/NetworkFileText.h"

namespace {

// Layer 0 of two neurons below layer 1 of three, in a three-layer network whose layer 2 no
// block creates.
std::string TwoByThree(const std::string& type, const std::string& connections) {
    return NetworkText(
        type, "[NumberOfLayers = 3][InputLayer = 0][OutputLayer = 1]",
        "[Layer = 0][LayerType = Input][NumberOfNeurons = 2][~Layer]"
        "[Layer = 1][LayerType = Simple][NumberOfNeurons = 3][ActivationFunction = linear]"
        "[~Layer]" +
            connections);
}

std::string Block(const std::string& type, const std::string& weights) {
    return "[ConnectionLayer][LayerFrom = 0][LayerTo = 1][ConnectionType = " + type + "]" +
           weights + "[~ConnectionLayer]";
}

// The arcs of the matrix from layer 0 to layer 1, row by row: "-" for none, else the weight
// and, for a frozen arc, "F".
std::string Arcs(const std::string& text) {
    const auto network = ReadNetworkText(text);
    TBasicConnections& matrix = network->GetConnections(0, 1);
    std::string arcs;
    for (std::int32_t i = 0; i < 2; ++i) {
        for (std::int32_t j = 0; j < 3; ++j) {
            if (!matrix.IsValid(i, j)) {
                arcs += "- ";
                continue;
            }
            std::ostringstream weight;
            weight << matrix.GetWeight(i, j) << (matrix.IsTrainable(i, j) ? "" : "F") << ' ';
            arcs += weight.str();
        }
        arcs += "/ ";
    }
    return arcs;
}

TEST(ConnectionLayerFile, WeightBlocksSetArcsWeightsAndFlags) {
    struct Case {
        std::string type;
        std::string weights;
        std::string arcs;
    };
    const Case cases[] = {
        {"Pruneable", "", "- - - / - - - / "},
        {"pruneable", "[Attributes Pruneable Freezable ]", "- - - / - - - / "},
        {"Pruneable", "[Matrix Weights] 1 2 - /* row 1 */ - 0.5 6e-1 [~Matrix]",
         "1 2 - / - 0.5 0.6 / "},
        {"Pruneable", "[Matrix Weights TrainableInfo] 0.5 F - - 1 T - x 2 t 3 f [~Matrix]",
         "0.5F - 1 / - 2 3F / "},
        // The flag of an entry is read before its weight: an absent arc takes "-".
        {"Pruneable", "[Matrix TrainableInfo Weights] - 0.5 - - - - - - - - - - [~Matrix]",
         "0.5 - - / - - - / "},
        {"Pruneable", "[Matrix] [~Matrix]", "- - - / - - - / "},
        {"Pruneable",
         "[WeightList][From=0 To=1][From=1 To=2 Weight=0.731 UnTrainable][~WeightList]",
         "- 0 - / - - 0.731F / "},
        {"Pruneable",
         "[WeightList][Trainable From=0 UnTrainable To=0 Weight=2 Trainable][~WeightList]",
         "2 - - / - - - / "},
        {"Pruneable",
         "[WeightList][From=0 To=0 Weight=1][~WeightList][Matrix Weights] - 2 - - - 3 [~Matrix]"
         "[WeightList][From=1 To=2 Weight=4 UnTrainable][~WeightList]",
         "- 2 - / - - 4F / "},
        {"FullyConnected", "", "0 0 0 / 0 0 0 / "},
        {"FullyConnected", "[Matrix Weights TrainableInfo] 1 T 2 T 3 t 4 T 5 T 6 T [~Matrix]",
         "1 2 3 / 4 5 6 / "},
        {"FullyConnected", "[WeightList][From=1 To=1 Weight=9][~WeightList]", "0 0 0 / 0 9 0 / "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Arcs(TwoByThree("Basic", Block(c.type, c.weights))), c.arcs)
            << c.type << " " << c.weights;
    }
}

TEST(ConnectionLayerFile, ErrorsStopTheLoad) {
    struct Case {
        std::string connections;
        std::string failure;
    };
    const Case cases[] = {
        {Block("Pruneable", "[Matrix Weights] 1 2 3 4 5 [~Matrix]"), "Token Expected"},
        {Block("Pruneable", "[Matrix Weights] 1 2 3 4 5 6 7 [~Matrix]"), "End Tag expected"},
        {Block("Pruneable", "[Matrix Weights] 1 2 3 [Row] 4 5 6 [~Matrix]"), "Token Expected"},
        {Block("Pruneable", "[Matrix Weights TrainableInfo] 0.5 - [~Matrix]"),
         "!conn -> IsValid(from,to)"},
        {Block("Pruneable", "[Matrix Weights] 1 2 x 4 5 6 [~Matrix]"), "number-expected"},
        {Block("Pruneable", "[Matrix Weights = 1][~Matrix]"),
         "Keyword expected in matrix parameter"},
        {Block("Pruneable", "[Matrix Biases][~Matrix]"), "Unknown matrix attribute"},
        {Block("Pruneable",
               "[Matrix Weights Weights Weights Weights Weights Weights Weights Weights Weights "
               "Weights][~Matrix]"),
         "wnum < 10"},
        {Block("Pruneable", "[WeightList][To=1 Weight=0.2][~WeightList]"),
         "Insufficient information in weights list"},
        {Block("Pruneable", "[WeightList][From=1][~WeightList]"),
         "Insufficient information in weights list"},
        {Block("Pruneable", "[WeightList][From=0 To=1 Bias=1][~WeightList]"),
         "Unknown keyword in weights list"},
        {Block("Pruneable", "[WeightList][From=2 To=0][~WeightList]"),
         "Weights list index outside the layers"},
        {Block("Pruneable", "[WeightList][From=0 To=3][~WeightList]"),
         "Weights list index outside the layers"},
        {Block("Pruneable", "[WeightList][From=0 To=1] 5 [~WeightList]"), "End Tag expected"},
        {Block("Pruneable", "") + Block("FullyConnected", ""), "Connections already defined"},
        {Block("Sparse", ""), "Insufficient information to construct layer"},
        {"[ConnectionLayer][~ConnectionLayer]", "Insufficient information to construct layer"},
        {"[ConnectionLayer][LayerFrom = 0][ConnectionType = Pruneable][~ConnectionLayer]",
         "Insufficient information to construct layer"},
        {"[ConnectionLayer][LayerFrom = 0 1][~ConnectionLayer]", "Too complicated statement"},
        {"[ConnectionLayer][LayerFrom = zero][~ConnectionLayer]", "integer-expected"},
        {"[ConnectionLayer][Layer = 0][~ConnectionLayer]", "Unknown keyword in connections"},
        {"[ConnectionLayer][LayerFrom = 0][LayerTo = 3][ConnectionType = Pruneable]"
         "[~ConnectionLayer]",
         "Connection layer outside the network"},
        {"[ConnectionLayer][LayerFrom = 2][LayerTo = 1][ConnectionType = Pruneable]"
         "[~ConnectionLayer]",
         "Connection layer not defined"},
        {Block("Pruneable", "[Weights]"), "End Tag expected"},
        // A fully connected matrix keeps every arc, trainable.
        {Block("FullyConnected", "[Matrix Weights] 1 2 - 4 5 6 [~Matrix]"), "false"},
        {Block("FullyConnected", "[Matrix Weights TrainableInfo] 1 F [~Matrix]"), "false"},
        {Block("FullyConnected", "[WeightList][From=0 To=0 UnTrainable][~WeightList]"), "false"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NetworkFailure(TwoByThree("Basic", c.connections)), c.failure) << c.connections;
    }
}

TEST(ConnectionLayerFile, AnUnknownWordInAWeightListIsShownFirst) {
    testing::internal::CaptureStdout();
    const std::string failure = NetworkFailure(
        TwoByThree("Basic", Block("Pruneable", "[WeightList][From=0 To=1 Frozen][~WeightList]")));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Frozen\n");
    EXPECT_EQ(failure, "Unknown keyword in weights list");
}

TEST(ConnectionLayerFile, NineEntryKindsAreAccepted) {
    // Every kind repeats the same step on the entry: the last weight written counts.
    const std::string kinds =
        "[Matrix Weights Weights Weights Weights Weights Weights Weights "
        "Weights TrainableInfo]";
    std::string tokens;
    for (int entry = 0; entry < 6; ++entry) {
        tokens += "1 2 3 4 5 6 7 8 F ";
    }
    EXPECT_EQ(Arcs(TwoByThree("Basic", Block("Pruneable", kinds + tokens + "[~Matrix]"))),
              "8F 8F 8F / 8F 8F 8F / ");
}

}  // namespace
