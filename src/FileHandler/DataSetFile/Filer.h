// Data set files: reading them into Data objects and writing Data objects back. A file holds
// the inputs and expected outputs of a first data set and, optionally, the generated outputs
// and errors of a second one, which keeps the generated outputs as its inputs and the errors
// as its outputs.
//
// Reading raises FileTools::Error (or refuses with TCheckFailure) on a file that breaks the
// format; nothing read so far is handed out then. Writing replaces the file as a whole: the
// file is written under a temporary name and renamed into place only when all of it was
// written, so a failed write (ERR_WRITE_FAILED) leaves any earlier file untouched.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "DataObject/Data.h"
#include "FileHandler/DataSetFile/DataSetHeader.h"
#include "FileHandler/DataSetFile/DataSetRow.h"
#include "FileHandler/DataSetFile/FilerStatus.h"
#include "FileHandler/Syntax/ParseTools.h"
#include "KQmessage/KQML.h"

namespace FileTools {

// A data set file opened and read up to its first row: the rows follow inside the block
// `dataName`, laid out as LayoutOf(header) says. With ReadDataSetRow row by row and
// ReadDataSetTrailer after the last row, this reads a file as LoadDataSets does without
// holding its rows.
struct ZORF_EXPORT DataSetFile {
    InputStream in;
    std::string dataSetName;
    std::string dataName;
    DataSetHeader header;
};

// None when the file cannot be opened; raises on a file whose start breaks the format.
ZORF_EXPORT std::optional<DataSetFile> OpenDataSetFile(ScratchBuffer& scratch,
                                                       const std::string& fileName);
// [~Data], [~DataSet] and the end of the file.
ZORF_EXPORT void ReadDataSetTrailer(ScratchBuffer& scratch, DataSetFile& file);

struct ZORF_EXPORT LoadedDataSet {
    FilerStatus status = SUCCESS;
    std::unique_ptr<Data> data;
};

struct ZORF_EXPORT LoadedDataSets {
    FilerStatus status = SUCCESS;
    std::unique_ptr<Data> first;
    std::unique_ptr<Data> second;
};

struct ZORF_EXPORT LoadedRows {
    FilerStatus status = SUCCESS;
    // Where the next run of rows starts, counted from the end of the [Data] tag.
    std::int64_t offset = 0;
    std::unique_ptr<Data> first;
    std::unique_ptr<Data> second;
};

// The first data set of the file. ERR_OPEN_FAILED (and no data set) when the file cannot be
// opened; ERR_BAD_HEADER, with the first data set still delivered, when the file also holds
// a second data set.
ZORF_EXPORT LoadedDataSet LoadDataSet(ScratchBuffer& scratch, const std::string& fileName);
// SUCCESS or ERR_OPEN_FAILED; a data set the header does not call for stays none.
ZORF_EXPORT LoadedDataSets LoadDataSets(ScratchBuffer& scratch, const std::string& fileName);
// `rowCount` rows from `offset` bytes after the [Data] tag, into data sets of that many
// rows; the end tags are not checked. ERR_BAD_ARGUMENTS for a negative offset or count.
ZORF_EXPORT LoadedRows LoadDataSetRows(ScratchBuffer& scratch, const std::string& fileName,
                                       std::int64_t offset, std::int32_t rowCount);

// Writes the row slots 0 to MbrNdxRows - 1 of one or both data sets. ERR_BAD_ARGUMENTS
// when neither is given or their row counts differ; ERR_WRITE_FAILED when the file could
// not be written.
ZORF_EXPORT FilerStatus SaveDataSet(const std::string& fileName, const Data* first,
                                    const Data* second,
                                    TNumberForm form = TNumberForm::Significant15);
// The three parts of SaveDataSet as separate file operations: the header creates (or
// replaces) the file, rows and trailer are appended to it.
ZORF_EXPORT FilerStatus SaveDataSetHeader(const std::string& fileName, const DataSetHeader& header);
ZORF_EXPORT FilerStatus SaveDataSetRows(const std::string& fileName, const Data* first,
                                        const Data* second);
ZORF_EXPORT FilerStatus SaveDataSetTrailer(const std::string& fileName);
// The same parts written to a stream the caller owns.
ZORF_EXPORT void WriteDataSetRows(OutputStream& out, const Data* first, const Data* second,
                                  TNumberForm form = TNumberForm::Significant15);
ZORF_EXPORT void WriteDataSetTrailer(OutputStream& out);
// The header SaveDataSet writes for the data sets; none for arguments it refuses.
ZORF_EXPORT std::optional<DataSetHeader> HeaderOf(const Data* first, const Data* second);
// The layout of the rows SaveDataSet writes under that header: a data set that is given
// writes its groups even when they hold no values.
ZORF_EXPORT DataSetLayout LayoutForWriting(const DataSetHeader& header, const Data* first,
                                           const Data* second);

// What a file holds, without loading it: (data :rows R :inputs I :actual-outputs E
// :calc-outputs G :errors N), the atom network, or (error :type file-read-error),
// (error :type bad-header), (error :type unknown-header :header H).
ZORF_EXPORT std::unique_ptr<TKQstructure> ProbeFileHeader(ScratchBuffer& scratch,
                                                          const std::string& fileName);

}  // namespace FileTools
