#include "FileHandler/Syntax/OutputStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "FileHandler/Syntax/TemporaryFiles.h"
#include "KQmessage/Check.h"
#include "KQmessage/NumberText.h"

namespace FileTools {

namespace {

constexpr std::size_t kBlockSize = 1 << 16;
// As many links in a row as the system itself follows.
constexpr int kMaxLinks = 40;
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPermissionBits = 0777;

inline constexpr const char* kSpecialFile =
    "Not a regular file, character device or FIFO, which alone can be written";

// Where a link that leads nowhere would have its target created: the last name it leads to.
std::string EndOfLinks(std::string path) {
    for (int link = 0; link < kMaxLinks; ++link) {
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            return path;
        }
        std::string content(PATH_MAX, '\0');
        const ssize_t length = readlink(path.c_str(), content.data(), content.size());
        if (length < 0) {
            return path;
        }
        content.resize(static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        if (content.starts_with('/') || slash == std::string::npos) {
            path = std::move(content);
        } else {
            path.resize(slash + 1);
            path += content;
        }
    }
    return path;
}

// The regular file that a path names through any links, as the system resolves it.
std::string ResolvedFile(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

// The user may write the file; root may write anything, but a file that nobody may write
// is meant to stay as it is.
int WriteRefusal(const std::string& path, const struct stat& status) {
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
        return errno;
    }
    return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ? EACCES : 0;
}

}  // namespace

OutputStream OutputStream::ReplaceFile(const std::string& path) {
    struct stat status {};
    std::string target = path;
    std::optional<mode_t> keptMode;
    if (stat(path.c_str(), &status) == 0) {
        if (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)) {
            const int descriptor = open(path.c_str(), O_WRONLY | O_CLOEXEC);
            if (descriptor < 0) {
                return Refused(path, std::strerror(errno));
            }
            return Opened(descriptor, path, {});
        }
        if (S_ISDIR(status.st_mode)) {
            return Refused(path, std::strerror(EISDIR));
        }
        if (!S_ISREG(status.st_mode)) {
            return Refused(path, kSpecialFile);
        }
        if (const int refusal = WriteRefusal(path, status); refusal != 0) {
            return Refused(path, std::strerror(refusal));
        }
        target = ResolvedFile(path);
        keptMode = status.st_mode & kPermissionBits;
    } else if (errno == ENOENT) {
        target = EndOfLinks(path);
    }
    std::string temporary;
    // A replaced file's mode is set as it was, which the umask must not narrow; until then
    // the file is the owner's alone.
    const int descriptor =
        CreateTemporaryFile(target, keptMode ? S_IRUSR | S_IWUSR : kNewFileMode, temporary);
    if (descriptor < 0) {
        return Refused(path, std::strerror(errno));
    }
    if (keptMode && fchmod(descriptor, *keptMode) != 0) {
        const int error = errno;
        close(descriptor);
        std::remove(temporary.c_str());
        ForgetTemporaryFile(temporary);
        return Refused(path, std::strerror(error));
    }
    return Opened(descriptor, std::move(target), std::move(temporary));
}

OutputStream OutputStream::Opened(int descriptor, std::string target, std::string temporary) {
    std::FILE* openFile = fdopen(descriptor, "wb");
    if (openFile == nullptr) {
        const int error = errno;
        close(descriptor);
        if (!temporary.empty()) {
            std::remove(temporary.c_str());
            ForgetTemporaryFile(temporary);
        }
        return Refused(target, std::strerror(error));
    }
    return OutputStream(openFile, std::move(target), std::move(temporary));
}

OutputStream OutputStream::Refused(const std::string& path, std::string why) {
    OutputStream refused(nullptr, path, {});
    refused.reason = std::move(why);
    return refused;
}

void OutputStream::Fail(int error) {
    if (!failed) {
        reason = std::strerror(error);
    }
    failed = true;
}

OutputStream OutputStream::AppendToFile(const std::string& path) {
    std::FILE* openFile = std::fopen(path.c_str(), "ab");
    return openFile != nullptr ? OutputStream(openFile, path, {})
                               : Refused(path, std::strerror(errno));
}

OutputStream::OutputStream() : block(kBlockSize), inMemory(true) {}

OutputStream::OutputStream(std::FILE* openFile, std::string target, std::string temporary)
    : file(openFile),
      targetPath(std::move(target)),
      temporaryPath(std::move(temporary)),
      block(kBlockSize),
      failed(openFile == nullptr) {
    if (openFile != nullptr) {
        // Our own blocks are the only buffer: the C library would copy every byte once more.
        std::setvbuf(openFile, nullptr, _IONBF, 0);
    }
}

OutputStream::OutputStream(OutputStream&& other) noexcept
    : file(std::move(other.file)),
      targetPath(std::move(other.targetPath)),
      temporaryPath(std::exchange(other.temporaryPath, {})),
      block(std::move(other.block)),
      next(std::exchange(other.next, 0)),
      memory(std::move(other.memory)),
      inMemory(other.inMemory),
      failed(other.failed),
      reason(std::move(other.reason)) {}

OutputStream::~OutputStream() {
    Discard();
}

void OutputStream::Write(std::string_view text) {
    while (!text.empty()) {
        if (next == block.size()) {
            Flush();
        }
        const std::size_t count = std::min(text.size(), block.size() - next);
        std::memcpy(block.data() + next, text.data(), count);
        next += count;
        text.remove_prefix(count);
    }
}

void OutputStream::WriteInteger(std::int64_t value) {
    char* at = Reserve(NumberText::kIntegerTextSize);
    next += NumberText::FormatInteger({at, block.size() - next}, value).size();
}

void OutputStream::WriteFixed(double value, int decimals) {
    char* at = Reserve(NumberText::FixedTextSize(decimals));
    next += NumberText::FormatFixed({at, block.size() - next}, value, decimals).size();
}

void OutputStream::WriteGeneral(double value, int significant) {
    char* at = Reserve(NumberText::kGeneralTextSize);
    next += NumberText::FormatGeneral({at, block.size() - next}, value, significant).size();
}

void OutputStream::WriteShortest(double value) {
    char* at = Reserve(NumberText::kGeneralTextSize);
    next += NumberText::FormatShortest({at, block.size() - next}, value).size();
}

bool OutputStream::Commit() {
    Flush();
    if (inMemory) {
        return true;
    }
    if (file && std::fclose(file.release()) != 0) {
        Fail(errno);
    }
    if (!failed && !temporaryPath.empty() &&
        std::rename(temporaryPath.c_str(), targetPath.c_str()) != 0) {
        Fail(errno);
    }
    if (failed) {
        Discard();
        return false;
    }
    ForgetTemporaryFile(temporaryPath);
    temporaryPath.clear();
    return true;
}

const std::string& OutputStream::Text() {
    ZORF_ASSERT(inMemory);
    Flush();
    return memory;
}

void OutputStream::ClearText() {
    ZORF_ASSERT(inMemory);
    next = 0;
    memory.clear();
}

void OutputStream::Flush() {
    if (inMemory) {
        memory.append(block.data(), next);
    } else if (!failed && (!file || std::fwrite(block.data(), 1, next, file.get()) != next)) {
        Fail(errno);
    }
    next = 0;
}

char* OutputStream::Reserve(std::size_t size) {
    if (block.size() - next < size) {
        Flush();
    }
    ZORF_ASSERT(size <= block.size());
    return block.data() + next;
}

void OutputStream::Discard() {
    file.reset();
    if (!temporaryPath.empty()) {
        std::remove(temporaryPath.c_str());
        ForgetTemporaryFile(temporaryPath);
        temporaryPath.clear();
    }
}

}  // namespace FileTools
