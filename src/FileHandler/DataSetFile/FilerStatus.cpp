#include "FileHandler/DataSetFile/FilerStatus.h"

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

}  // namespace FileTools
