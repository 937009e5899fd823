// The structured-message text form: (head :key value ...).
#include "FuzzFolder.h"
#include "Support/FeedReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FeedReaders::StructuredMessage(Bytes(data, size));
    return 0;
}
