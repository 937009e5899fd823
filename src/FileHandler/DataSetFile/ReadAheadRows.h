// The rows of an open data set file, read ahead on a thread of their own: while the caller
// works on one batch of rows (propagates and writes them), the next batches are read and their
// numbers converted on another core. The rows come out in file order, memory stays at sixteen
// batches whatever the number of rows, and an error in the file reaches the caller where the
// rows that follow it would have come, with nothing of the reading left running.
//
// Where the rows fit in one batch, the machine has a single core, or no thread can be started,
// the rows are read in the caller's thread instead, a batch at a time, with the same results.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "FileHandler/DataSetFile/DataSetRow.h"
#include "FileHandler/DataSetFile/Filer.h"

namespace FileTools {

class ReadAheadRows {
  public:
    enum class Mode { Automatic, InCallerThread };

    // A batch holds up to kBatchRows rows and, for wide rows, about kBatchValues numbers.
    static constexpr std::int32_t kBatchRows = 512;
    static constexpr std::int64_t kBatchValues = 1 << 14;
    // The reader runs up to kBatches batches ahead. A side that has to wait sleeps until
    // half of them are ready (or free) again: waking a thread can take a millisecond on a
    // busy virtual machine, so each wake-up must buy many batches of work, and the other
    // side must have work left for that long.
    static constexpr std::int64_t kBatches = 16;
    static constexpr std::int64_t kWakeBatches = kBatches / 2;

    // Reads `rows` rows of `file` (positioned at its first row) and then its trailer. The file
    // is the reader's until it is destroyed.
    ReadAheadRows(DataSetFile& file, const DataSetLayout& layout, std::int32_t rows,
                  Mode mode = Mode::Automatic);
    ~ReadAheadRows();
    ReadAheadRows(const ReadAheadRows&) = delete;
    ReadAheadRows& operator=(const ReadAheadRows&) = delete;

    // The next row, valid until the next call; none once the last row and the trailer have
    // been read. Raises the error that reading met, in place of the rows after it.
    const DataSetRow* Next();

    // Whether the rows are read on a thread of their own.
    bool ReadsAhead() const { return reader.joinable(); }

  private:
    struct Batch {
        std::vector<DataSetRow> rows;
        std::int32_t count = 0;
    };

    // Fills `batch` with the next rows, and reads the trailer after the last; what stopped the
    // reading, if anything, with the rows before it in the batch.
    std::exception_ptr Fill(Batch& batch);
    void ReadInBackground();
    // The next batch for the caller, who is done with the one before when `finishedOne`;
    // none at the end.
    Batch* NextBatch(bool finishedOne);
    Batch* NextBatchInCallerThread();

    DataSetFile& file;
    const DataSetLayout layout;
    const std::int32_t rowsTotal;
    const std::int32_t batchRows;
    // The reading side's.
    std::int32_t rowsRead = 0;
    bool atEnd = false;  // the trailer is read, or reading failed
    ScratchBuffer scratch{};
    std::vector<Batch> batches = std::vector<Batch>(kBatches);

    // The caller's place.
    Batch* current = nullptr;
    std::int32_t nextRow = 0;

    // Shared between the two sides, under `lock`. Batch n lives in batches[n % kBatches];
    // the reader fills batch `filled` once the caller has finished with the batch that
    // last used its place.
    std::mutex lock;
    std::condition_variable batchesReady;  // the caller waits on it
    std::condition_variable placesFree;    // the reader waits on it
    std::int64_t filled = 0;               // batches handed to the caller
    std::int64_t finished = 0;             // batches the caller is done with
    bool callerWaits = false;
    bool readerWaits = false;
    bool done = false;         // the reader has stopped: at the end, or on `error`
    bool stopping = false;     // the caller wants no more rows
    std::exception_ptr error;  // the caller's own when there is no reader

    std::thread reader;
};

}  // namespace FileTools
