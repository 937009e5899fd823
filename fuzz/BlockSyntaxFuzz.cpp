// The block syntax: items until the end of the input.
#include "FuzzFolder.h"
#include "Support/FeedReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FeedReaders::BlockSyntax(Bytes(data, size));
    return 0;
}
