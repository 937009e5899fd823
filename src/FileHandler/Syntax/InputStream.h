// The buffered byte reader behind every file reader. It reads a file (or, for tests, a text
// held in memory) in large blocks, so that tokenizing costs no call into the C library per
// byte, and still gives push-back of the byte just read, the end of input and the byte
// position from the start.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "KQmessage/Check.h"
#include "KQmessage/FileToolsError.h"

namespace FileTools {

class ZORF_EXPORT InputStream {
  public:
    static constexpr int kEnd = -1;

    // None when the file cannot be opened for reading, or is a folder (errno tells why).
    static std::optional<InputStream> Open(const std::string& path);
    explicit InputStream(std::string_view text);

    InputStream(InputStream&&) noexcept;
    InputStream& operator=(InputStream&&) noexcept;
    ~InputStream();

    // The next byte (0 to 255), or kEnd.
    int Get() { return next < filled ? static_cast<unsigned char>(block[next++]) : Refill(); }
    // Pushes back the byte just read (never the end of input).
    void Unget() {
        ZORF_ASSERT(next > 0);
        --next;
    }
    std::int64_t Position() const { return blockStart + static_cast<std::int64_t>(next); }
    // The bytes of the whole input as it was opened; 0 for a file that cannot tell (a pipe,
    // a device).
    std::int64_t Size() const { return size; }
    // The bytes taken from the file so far, consumed or not.
    std::int64_t BytesRead() const { return blockStart + static_cast<std::int64_t>(filled); }
    // Reads on, keeping every byte not yet consumed, until `total` bytes have been taken from
    // the file or the input has ended; returns BytesRead(). An input that cannot tell its size
    // thereby shows how much of it there is before its reader builds what it claims.
    std::int64_t ReadAhead(std::int64_t total);
    // Moves to a byte position from the start; past the end, the input has ended.
    void Seek(std::int64_t position);

    // The bytes read from the file but not yet consumed, for scanning a run of bytes at
    // once; Skip consumes some of them.
    std::string_view Buffered() const { return {block.data() + next, filled - next}; }
    void Skip(std::size_t count) {
        ZORF_ASSERT(count <= filled - next);
        next += count;
    }

  private:
    struct FileCloser {
        void operator()(std::FILE* handle) const { std::fclose(handle); }
    };

    std::unique_ptr<std::FILE, FileCloser> file;
    std::vector<char> block;
    std::size_t next = 0;
    std::size_t filled = 0;
    std::int64_t blockStart = 0;
    std::int64_t size = 0;

    InputStream(std::FILE* openFile, std::int64_t fileSize);
    int Refill();
};

}  // namespace FileTools
