#include "FileHandler/NetworkFile/NetworkSizeLimit.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <optional>
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

// Two layers of n neurons and the n * n arcs between them, and the file size the limit asks
// for them.
std::string DenseNetwork(int n) {
    return NetworkText("Connected", "[NumberOfLayers = 2][InputLayer = 0]",
                       SimpleLayer(0, n) + SimpleLayer(1, n) + kDense);
}

std::size_t DenseNetworkBytes(int n) {
    const std::int64_t neurons = 2 * n;
    const std::int64_t arcs = std::int64_t{n} * n;
    const std::int64_t bytes =
        2 * NetworkSizeLimit::kLayerPairBytes + 4 * NetworkSizeLimit::kLayerPairBytes +
        neurons * NetworkSizeLimit::kNeuronBytes + arcs * NetworkSizeLimit::kArcBytes;
    const std::int64_t perByte = NetworkSizeLimit::kBytesPerFileByte;
    return static_cast<std::size_t>((bytes - NetworkSizeLimit::kFreeBytes + perByte - 1) / perByte);
}

// Counts a few hundred bytes can declare, and the same network once its file is large
// enough to account for it: the elements allowed grow with the file, not with its claims.
TEST(NetworkSizeLimit, DeclaredSizesMustBeAccountedForByTheFile) {
    const std::string tooLarge = Messages::kNetworkTooLarge;
    const std::string huge = NetworkText("Basic", "[NumberOfLayers = 2][InputLayer = 0]",
                                         SimpleLayer(0, 2) + SimpleLayer(1, 2147483));
    EXPECT_EQ(NetworkFailure(huge), tooLarge);
    EXPECT_EQ(NetworkFailure(NetworkText("Connected", "[NumberOfLayers = 100000]", "")), tooLarge);

    // A little short of the size asked for, and at it.
    const std::size_t fileBytes = DenseNetworkBytes(1100);
    EXPECT_EQ(NetworkFailure(PaddedTo(DenseNetwork(1100), fileBytes - 1)), tooLarge);
    EXPECT_EQ(NetworkFailure(PaddedTo(DenseNetwork(1100), fileBytes)), "");
}

// What reading the text through a pipe stops with. The pipe's buffer is made to hold the
// text, so it is written whole before the reader starts.
std::string PipeFailure(const std::string& text) {
    std::array<int, 2> ends{};
    EXPECT_EQ(pipe(ends.data()), 0);
    EXPECT_GE(fcntl(ends[1], F_SETPIPE_SZ, static_cast<int>(text.size())), 0);
    EXPECT_EQ(write(ends[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(ends[1]);
    const std::string failure = ReadFailure([&] {
        std::optional<InputStream> in = InputStream::Open("/dev/fd/" + std::to_string(ends[0]));
        ASSERT_TRUE(in);
        EXPECT_EQ(in->Size(), 0);
        ScratchBuffer scratch;
        ReadNetwork(scratch, *in);
    });
    close(ends[0]);
    return failure;
}

// A pipe's bytes arrive after the header whose counts they pay for: the same texts, with the
// bytes that account for the network after its claims, give a pipe the verdicts of a file.
// The network needs more bytes than the reader takes in one block.
TEST(NetworkSizeLimit, APipeIsJudgedByAllItsBytesAsAFileIs) {
    const std::string network = DenseNetwork(2300);
    const std::size_t fileBytes = DenseNetworkBytes(2300);
    ASSERT_GT(fileBytes, std::size_t{1} << 18);
    for (const std::size_t bytes : {fileBytes - 1, fileBytes}) {
        const std::string padding = "/* " + std::string(bytes - network.size() - 7, '.') + " */\n";
        const std::string text =
            Replaced(network, "[~NeuralNetwork]", padding + "[~NeuralNetwork]");
        ASSERT_EQ(text.size(), bytes);
        EXPECT_EQ(PipeFailure(text), NetworkFailure(text)) << bytes;
    }
}

}  // namespace
