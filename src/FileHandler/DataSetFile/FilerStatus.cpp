#include "FileHandler/DataSetFile/FilerStatus.h"

#include <utility>

#include "FileHandler/Syntax/OutputStream.h"
#include "KQmessage/FileToolsError.h"

namespace FileTools {

const char* StatusText(FilerStatus status) {
    switch (status) {
        case SUCCESS:
            return "Success";
        case ERR_OPEN_FAILED:
            return "Unable to open the data set file";
        case ERR_BAD_HEADER:
            return "Unexpected data set header";
        case ERR_BAD_ARGUMENTS:
            return "No data set to write, or data sets of different row counts";
        case ERR_WRITE_FAILED:
            return "Unable to write the data set file";
    }
    return "Unknown data set file status";
}

void RequireWritten(FilerStatus status, const std::string& fileName, std::string reason) {
    if (status == SUCCESS) {
        return;
    }
    Error error(std::string(StatusText(status)) + " " + fileName);
    if (reason.empty() && status == ERR_WRITE_FAILED) {
        reason = OutputStream::ReplaceFile(fileName).FailureReason();
    }
    error.fileName = fileName;
    error.reason = std::move(reason);
    throw error;
}

}  // namespace FileTools
