#include "FileHandler/NetworkFile/NetworkSizeLimit.h"

#include "FileHandler/Syntax/FileMessages.h"

namespace FileTools {

NetworkSizeLimit::NetworkSizeLimit(const InputStream& input)
    : in(input), bytesLeft(kFreeBytes + kBytesPerFileByte * input.Size()) {}

void NetworkSizeLimit::ClaimLayers(std::int64_t count) {
    // A pair of layers for each layer and every layer, itself included.
    Claim(count, kLayerPairBytes);
    Claim(count, kLayerPairBytes * count);
}

void NetworkSizeLimit::ClaimNeurons(std::int64_t count) {
    Claim(count, kNeuronBytes);
}

void NetworkSizeLimit::ClaimArcs(std::int64_t count) {
    Claim(count, kArcBytes);
}

// Compared by division: a count times its cost may not fit 64 bits.
void NetworkSizeLimit::Claim(std::int64_t count, std::int64_t bytesEach) {
    if (count > bytesLeft / bytesEach) {
        throw Error(Messages::kNetworkTooLarge, in.Position());
    }
    bytesLeft -= count * bytesEach;
}

}  // namespace FileTools
