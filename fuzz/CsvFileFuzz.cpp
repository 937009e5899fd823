// The CSV record reader, and what it reads written back with every field quoted.
#include "FuzzFolder.h"
#include "Support/FeedReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FeedReaders::CsvText(Bytes(data, size));
    return 0;
}
