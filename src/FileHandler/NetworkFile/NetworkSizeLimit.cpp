#include "FileHandler/NetworkFile/NetworkSizeLimit.h"

#include <algorithm>
#include <limits>

#include "FileHandler/Syntax/FileMessages.h"

namespace FileTools {

NetworkSizeLimit::NetworkSizeLimit(InputStream& input) : in(input) {}

std::int64_t NetworkSizeLimit::Budget() const {
    const std::int64_t bytes = std::max(in.Size(), in.BytesRead());
    if (bytes > (std::numeric_limits<std::int64_t>::max() - kFreeBytes) / kBytesPerFileByte) {
        return std::numeric_limits<std::int64_t>::max();
    }
    return kFreeBytes + kBytesPerFileByte * bytes;
}

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

void NetworkSizeLimit::ClaimMatrix(std::int64_t from, std::int64_t to, bool fixedArcs) {
    ClaimArcs(fixedArcs ? std::max(from, to) : from * to);
}

// Compared by division: a count times its cost may not fit 64 bits.
bool NetworkSizeLimit::Affords(std::int64_t count, std::int64_t bytesEach) const {
    return count <= (Budget() - bytesClaimed) / bytesEach;
}

void NetworkSizeLimit::ReadAheadFor(std::int64_t count, std::int64_t bytesEach) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    if (count > (kMax - bytesClaimed) / bytesEach) {
        return;
    }
    const std::int64_t unpaid = bytesClaimed + count * bytesEach - kFreeBytes;
    in.ReadAhead((unpaid + kBytesPerFileByte - 1) / kBytesPerFileByte);
}

void NetworkSizeLimit::Claim(std::int64_t count, std::int64_t bytesEach) {
    if (!Affords(count, bytesEach) && in.Size() == 0) {
        ReadAheadFor(count, bytesEach);
    }
    if (!Affords(count, bytesEach)) {
        throw Error(Messages::kNetworkTooLarge, in.Position());
    }
    bytesClaimed += count * bytesEach;
}

}  // namespace FileTools
