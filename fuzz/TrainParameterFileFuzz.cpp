// TrainZorf's parameter file with every training setting checked, and no network loaded.
#include "FuzzFolder.h"
#include "Support/FeedReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FeedReaders::TrainParameterText(Bytes(data, size));
    return 0;
}
