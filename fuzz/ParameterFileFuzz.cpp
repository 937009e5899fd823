// The recall driver's parameter file.
#include "FuzzFolder.h"
#include "Support/FeedReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FeedReaders::ParameterText(Bytes(data, size));
    return 0;
}
