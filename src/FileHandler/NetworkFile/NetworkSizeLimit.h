// How much network a network file may make its reader build. A file declares layer and
// neuron counts in a few bytes, yet every layer, neuron and arc they imply takes memory,
// and walking them takes time, before the rest of the file is read. The reader therefore
// builds no more of them than the file's size accounts for: kFreeBytes of memory that any
// file may take, and kBytesPerFileByte more for each byte of the file. Written networks
// list every arc of their dense and pruned matrices, so their own bytes pay for them many
// times over; the free share covers small networks whose neurons and fixed arcs are not
// listed one by one.
//
// A pipe cannot tell its size, and its bytes arrive after the header that claims the layers
// they fill. For such an input a claim beyond the bytes read so far reads on first, keeping
// the bytes for the reader, until they account for it or the input ends. Memory thus still
// follows bytes that really came: the bytes held are a small share of what they pay for, and
// a claim that the rest of the input cannot pay for is refused as it would be for a file.
#pragma once

#include <cstdint>

#include "FileHandler/Syntax/InputStream.h"

namespace FileTools {

class NetworkSizeLimit {
  public:
    static constexpr std::int64_t kFreeBytes = std::int64_t{16} << 20;
    static constexpr std::int64_t kBytesPerFileByte = 256;
    // About what each takes once built: a layer its slot and the placeholder matrix to
    // every layer, a neuron its object and value, an arc its weight, flag and bookkeeping.
    static constexpr std::int64_t kLayerPairBytes = 64;
    static constexpr std::int64_t kNeuronBytes = 64;
    static constexpr std::int64_t kArcBytes = 16;

    explicit NetworkSizeLimit(InputStream& input);

    // Before building a network of `count` layers, a layer of `count` neurons or a matrix
    // of `count` arcs: raises kNetworkTooLarge when the file does not account for them.
    void ClaimLayers(std::int64_t count);
    void ClaimNeurons(std::int64_t count);
    void ClaimArcs(std::int64_t count);
    // A matrix between layers of `from` and `to` neurons. Fixed arcs (a membership layer's
    // one arc per membership function) are as many as the larger layer's neurons, not the
    // grid of every pair, so that every network MakeZorf writes loads.
    void ClaimMatrix(std::int64_t from, std::int64_t to, bool fixedArcs);

  private:
    InputStream& in;
    std::int64_t bytesClaimed = 0;

    // What the file accounts for: by its size, or, for an input that cannot tell (a pipe),
    // by the bytes read so far. Never beyond what 64 bits hold, whatever size a file claims.
    std::int64_t Budget() const;
    bool Affords(std::int64_t count, std::int64_t bytesEach) const;
    // For an input that cannot tell its size: reads on until the budget affords the claim.
    void ReadAheadFor(std::int64_t count, std::int64_t bytesEach);

    void Claim(std::int64_t count, std::int64_t bytesEach);
};

}  // namespace FileTools
