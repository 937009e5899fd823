// Data set files through every reading operation, and what they accept written back.
#include "FuzzFolder.h"
#include "Support/FeedReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TFuzzFolder& folder = TFuzzFolder::Get();
    FeedReaders::DataSetFile(folder.Write("input.dat", Bytes(data, size)),
                             folder.File("written.dat"));
    return 0;
}
