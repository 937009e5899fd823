// The header of a data set file: [DataSet], then the counts of the values each row holds,
// then [Data]. An output count of -1 ("Labels") stands for a label list in each row.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>

#include "FileHandler/DataSetFile/FilerStatus.h"
#include "FileHandler/Syntax/ParseTools.h"

namespace FileTools {

inline constexpr std::int32_t kLabels = -1;

// Keywords of the data set file, in the spelling the writer uses.
inline constexpr const char* kDataSetTag = "DataSet";
inline constexpr const char* kDataTag = "Data";
inline constexpr const char* kLabelsWord = "Labels";

struct ZORF_EXPORT DataSetHeader {
    std::int32_t rows = -1;  // required; -1 while not given
    std::int32_t inputs = 0;
    std::int32_t expectedOutputs = 0;
    std::int32_t generatedOutputs = 0;
    std::int32_t errors = 0;
};

struct ZORF_EXPORT HeaderReading {
    FilerStatus status = SUCCESS;
    DataSetHeader header;
    // The item that ended the header; [Data] in a well-formed file.
    BlockItem end;
};

// The header items after [DataSet]: SUCCESS when they end with an item that is no key item,
// ERR_BAD_HEADER at a key item that is unknown, repeated, out of order or not closed.
ZORF_EXPORT HeaderReading ReadDataSetHeader(ScratchBuffer& scratch, InputStream& in);
// From the format version line to [Data].
ZORF_EXPORT void WriteDataSetHeader(OutputStream& out, const DataSetHeader& header);

}  // namespace FileTools
