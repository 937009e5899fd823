// TrainZorf's training log, as PlotZorf reads it, and what it accepts written back.
#include "FuzzFolder.h"
#include "Support/FeedReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FeedReaders::TrainingLogText(Bytes(data, size));
    return 0;
}
