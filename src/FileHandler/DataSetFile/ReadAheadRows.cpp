#include "FileHandler/DataSetFile/ReadAheadRows.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace FileTools {

namespace {

std::int32_t RowsPerBatch(const DataSetLayout& layout) {
    const std::int64_t values = std::int64_t{layout.inputs} + layout.expectedOutputs +
                                layout.generatedOutputs + layout.errors;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(ReadAheadRows::kBatchValues / std::max<std::int64_t>(values, 1), 1,
                                 ReadAheadRows::kBatchRows));
}

}  // namespace

ReadAheadRows::ReadAheadRows(DataSetFile& rowsOf, const DataSetLayout& rowLayout, std::int32_t rows,
                             Mode mode)
    : file(rowsOf), layout(rowLayout), rowsTotal(rows), batchRows(RowsPerBatch(rowLayout)) {
    batches.front().rows.resize(static_cast<std::size_t>(batchRows));
    // A single batch gains nothing from a thread: the caller would wait for all of it.
    if (mode == Mode::InCallerThread || rowsTotal <= batchRows ||
        std::thread::hardware_concurrency() < 2) {
        return;
    }
    for (Batch& batch : batches) {
        batch.rows.resize(static_cast<std::size_t>(batchRows));
    }
    try {
        reader = std::thread([this] { ReadInBackground(); });
    } catch (const std::system_error&) {
        // No thread to be had: the caller's thread reads, into the first batch.
    }
}

ReadAheadRows::~ReadAheadRows() {
    if (!reader.joinable()) {
        return;
    }
    {
        const std::lock_guard<std::mutex> guard(lock);
        stopping = true;
    }
    placesFree.notify_one();
    reader.join();
}

std::exception_ptr ReadAheadRows::Fill(Batch& batch) {
    const std::int32_t wanted = std::min(batchRows, rowsTotal - rowsRead);
    try {
        for (batch.count = 0; batch.count < wanted; ++batch.count) {
            ReadDataSetRow(scratch, file.in, file.dataName, layout, rowsRead + batch.count,
                           batch.rows[static_cast<std::size_t>(batch.count)]);
        }
        rowsRead += wanted;
        if (rowsRead == rowsTotal) {
            ReadDataSetTrailer(scratch, file);
            atEnd = true;
        }
        return nullptr;
    } catch (...) {
        atEnd = true;
        return std::current_exception();
    }
}

void ReadAheadRows::ReadInBackground() {
    for (std::int64_t n = 0; !atEnd; ++n) {
        {
            std::unique_lock<std::mutex> guard(lock);
            if (n - finished == kBatches) {
                readerWaits = true;
                placesFree.wait(guard, [&] { return stopping || n - finished <= kWakeBatches; });
                readerWaits = false;
            }
            if (stopping) {
                return;
            }
        }
        std::exception_ptr failure = Fill(batches[static_cast<std::size_t>(n % kBatches)]);
        bool wake = false;
        {
            const std::lock_guard<std::mutex> guard(lock);
            filled = n + 1;
            error = std::move(failure);
            done = atEnd;
            wake = callerWaits && (done || filled - finished >= kWakeBatches);
        }
        if (wake) {
            batchesReady.notify_one();
        }
    }
}

ReadAheadRows::Batch* ReadAheadRows::NextBatchInCallerThread() {
    if (!atEnd) {
        error = Fill(batches.front());
        return &batches.front();
    }
    if (error) {
        std::rethrow_exception(error);
    }
    return nullptr;
}

ReadAheadRows::Batch* ReadAheadRows::NextBatch(bool finishedOne) {
    if (!reader.joinable()) {
        return NextBatchInCallerThread();
    }
    std::unique_lock<std::mutex> guard(lock);
    if (finishedOne) {
        ++finished;
        if (readerWaits && filled - finished <= kWakeBatches) {
            placesFree.notify_one();
        }
    }
    if (filled == finished && !done) {
        callerWaits = true;
        batchesReady.wait(guard, [&] { return done || filled - finished >= kWakeBatches; });
        callerWaits = false;
    }
    if (filled > finished) {
        return &batches[static_cast<std::size_t>(finished % kBatches)];
    }
    if (error) {
        std::rethrow_exception(error);
    }
    return nullptr;
}

const DataSetRow* ReadAheadRows::Next() {
    while (current == nullptr || nextRow == current->count) {
        const bool finishedOne = std::exchange(current, nullptr) != nullptr;
        current = NextBatch(finishedOne);
        nextRow = 0;
        if (current == nullptr) {
            return nullptr;
        }
    }
    return &current->rows[static_cast<std::size_t>(nextRow++)];
}

}  // namespace FileTools
