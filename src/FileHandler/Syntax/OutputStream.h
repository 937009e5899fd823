// The buffered writer behind every file writer. It notices every failed write (a file that
// cannot be created, a full disk, a failed close) and reports it from Commit. A stream
// that replaces a file writes a temporary file in the same folder and renames it over the
// target only when everything was written: a failed run never leaves a truncated file, and
// an existing file survives it untouched.
//
// Replacing never renames over anything but a regular file: an existing character device or
// FIFO (/dev/null, /dev/stdout, a pipe) is written in place, a directory or other special
// file is refused. A symbolic link is written through: its target is replaced, beside which
// the temporary file is made, and the link stays. A replaced file keeps its permissions, and
// a file the user could not write (root included) is refused, not replaced.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "KQmessage/FileToolsError.h"

namespace FileTools {

class ZORF_EXPORT OutputStream {
  public:
    static OutputStream ReplaceFile(const std::string& path);
    static OutputStream AppendToFile(const std::string& path);
    // Collects the text in memory (see Text).
    OutputStream();

    OutputStream(OutputStream&& other) noexcept;
    OutputStream& operator=(OutputStream&&) = delete;
    // A replacing stream that was not committed removes its temporary file.
    ~OutputStream();

    void Put(char c) {
        if (next == block.size()) {
            Flush();
        }
        block[next++] = c;
    }
    void Write(std::string_view text);
    // "%ld", "%.*f" and "%.*g".
    void WriteInteger(std::int64_t value);
    void WriteFixed(double value, int decimals);
    void WriteGeneral(double value, int significant);
    void WriteShortest(double value);

    bool Failed() const { return failed; }
    // Why the stream failed, in the system's words ("No such file or directory"); empty
    // while it has not.
    const std::string& FailureReason() const { return reason; }
    // Writes out what is buffered and closes the file; a replacing stream then renames
    // its temporary file over the target. True when everything was written.
    bool Commit();
    // The text of an in-memory stream.
    const std::string& Text();
    // Empties an in-memory stream, keeping its storage for the next text.
    void ClearText();

  private:
    struct FileCloser {
        void operator()(std::FILE* handle) const { std::fclose(handle); }
    };

    std::unique_ptr<std::FILE, FileCloser> file;
    std::string targetPath;
    std::string temporaryPath;
    std::vector<char> block;
    std::size_t next = 0;
    std::string memory;
    bool inMemory = false;
    bool failed = false;
    std::string reason;

    OutputStream(std::FILE* openFile, std::string target, std::string temporary);
    static OutputStream Refused(const std::string& path, std::string why);
    // A stream on an open descriptor; a replacing one renames `temporary` over `target`.
    static OutputStream Opened(int descriptor, std::string target, std::string temporary);
    void Fail(int error);
    void Flush();
    // Room for `size` bytes at the end of the block.
    char* Reserve(std::size_t size);
    void Discard();
};

}  // namespace FileTools
