// The whole recall of a network file and a data set file split from one input.
#include "FuzzFolder.h"
#include "Support/FeedReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FeedReaders::Recall(Bytes(data, size), TFuzzFolder::Get().Path());
    return 0;
}
