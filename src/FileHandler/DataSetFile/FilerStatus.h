// Status codes of the data set file operations, and the one place that puts them in words.
#pragma once

#include "KQmessage/Export.h"

#include <string>

namespace FileTools {

enum FilerStatus : int {
    SUCCESS = 0,
    // The file cannot be opened for reading.
    ERR_OPEN_FAILED = -81,
    // A header item that is not accepted, or a second data set where only one is wanted.
    ERR_BAD_HEADER = -82,
    // Nothing to write, two data sets with different row counts, or a negative count.
    ERR_BAD_ARGUMENTS = -83,
    // The file could not be created or not be written completely. A file written whole was
    // left as it was before.
    ERR_WRITE_FAILED = -84,
};

ZORF_EXPORT const char* StatusText(FilerStatus status);

// Raises the file error for an output file that was not written (any status but SUCCESS),
// naming the file and the system's reason; without one given, the reason a new stream to
// the file meets.
ZORF_EXPORT void RequireWritten(FilerStatus status, const std::string& fileName,
                                std::string reason = {});

}  // namespace FileTools
