// How much network a network file may make its reader build. A file declares layer and
// neuron counts in a few bytes, yet every layer slot, neuron and arc they imply takes
// memory, and walking them takes time, before the rest of the file is read. The reader
// therefore builds no more of them than the file's size accounts for: kFreeElements that
// any file may declare, and kElementsPerByte more for each of its bytes. A written network
// lists each arc of its dense and pruned matrices, so its own bytes pay for them; the free
// elements cover its neurons and the fixed arcs of its fuzzy layers.
#pragma once

#include <cstdint>

#include "FileHandler/InputStream.h"

namespace FileTools {

class NetworkSizeLimit {
  public:
    static constexpr std::int64_t kFreeElements = std::int64_t{1} << 16;
    static constexpr std::int64_t kElementsPerByte = 16;

    explicit NetworkSizeLimit(const InputStream& input);

    // Before building `elements` more layer slots, neurons or arcs: raises kNetworkTooLarge
    // when the file does not account for them.
    void Claim(std::int64_t elements);

  private:
    const InputStream& in;
    std::int64_t left;
};

}  // namespace FileTools
