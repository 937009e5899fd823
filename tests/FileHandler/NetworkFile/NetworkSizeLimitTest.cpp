#include "FileHandler/NetworkFile/NetworkSizeLimit.h"

#include <gtest/gtest.h>

#include <string>

#include "FileHandler/NetworkFileText.h"
#include "FileHandler/Syntax/FileMessages.h"

namespace {

using namespace FileTools;

std::string SimpleLayer(int number, int neurons) {
    return "[Layer = " + std::to_string(number) +
           "][LayerType = Simple][NumberOfNeurons = " + std::to_string(neurons) +
           "][ActivationFunction = linear][~Layer]\n";
}

const std::string kDense =
    "[ConnectionLayer][LayerFrom = 0][LayerTo = 1][ConnectionType = FullyConnected]"
    "[~ConnectionLayer]";

// The same network text, padded with a comment to `bytes` in all.
std::string PaddedTo(const std::string& text, std::size_t bytes) {
    const std::string open = "/* ";
    const std::string close = " */\n";
    const std::size_t room = bytes - text.size() - open.size() - close.size();
    return open + std::string(room, '.') + close + text;
}

// Counts a few hundred bytes can declare, and the same network once its file is large
// enough to account for it: the elements allowed grow with the file, not with its claims.
TEST(NetworkSizeLimit, DeclaredSizesMustBeAccountedForByTheFile) {
    const std::string tooLarge = Messages::kNetworkTooLarge;
    const std::string huge = NetworkText("Basic", "[NumberOfLayers = 2][InputLayer = 0]",
                                         SimpleLayer(0, 2) + SimpleLayer(1, 2147483));
    EXPECT_EQ(NetworkFailure(huge), tooLarge);
    EXPECT_EQ(NetworkFailure(NetworkText("Connected", "[NumberOfLayers = 100000]", "")), tooLarge);

    // Two layers of 1100 neurons and the 1210000 arcs between them: a little short of the
    // file size the limit asks for them, and at it.
    const std::int64_t neurons = 2 * 1100;
    const std::int64_t arcs = std::int64_t{1100} * 1100;
    const std::string dense = NetworkText("Connected", "[NumberOfLayers = 2][InputLayer = 0]",
                                          SimpleLayer(0, 1100) + SimpleLayer(1, 1100) + kDense);
    const std::int64_t bytes =
        2 * NetworkSizeLimit::kLayerPairBytes + 4 * NetworkSizeLimit::kLayerPairBytes +
        neurons * NetworkSizeLimit::kNeuronBytes + arcs * NetworkSizeLimit::kArcBytes;
    const std::int64_t perByte = NetworkSizeLimit::kBytesPerFileByte;
    const auto fileBytes =
        static_cast<std::size_t>((bytes - NetworkSizeLimit::kFreeBytes + perByte - 1) / perByte);
    EXPECT_EQ(NetworkFailure(PaddedTo(dense, fileBytes - 1)), tooLarge);
    EXPECT_EQ(NetworkFailure(PaddedTo(dense, fileBytes)), "");
}

}  // namespace
