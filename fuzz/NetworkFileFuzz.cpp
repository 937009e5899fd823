// Network files, read and then checked as recall checks them.
#include "FuzzFolder.h"
#include "Support/FeedReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FeedReaders::NetworkFile(Bytes(data, size));
    return 0;
}
