#include "FileHandler/Syntax/InputStream.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "FileHandler/Syntax/FileMessages.h"

namespace FileTools {

namespace {

constexpr std::size_t kBlockSize = 1 << 18;

}  // namespace

std::optional<InputStream> InputStream::Open(const std::string& path) {
    std::FILE* openFile = std::fopen(path.c_str(), "rb");
    if (openFile == nullptr) {
        return std::nullopt;
    }
    struct stat status {};
    // A folder opens, but reading it fails, and its "size" is none that bytes account for.
    if (fstat(fileno(openFile), &status) != 0 || S_ISDIR(status.st_mode)) {
        std::fclose(openFile);
        errno = EISDIR;
        return std::nullopt;
    }
    return InputStream(openFile, S_ISREG(status.st_mode) ? status.st_size : 0);
}

InputStream::InputStream(std::FILE* openFile, std::int64_t fileSize)
    : file(openFile), block(kBlockSize), size(fileSize) {
    // Our own blocks are the only buffer: the C library would copy every byte once more.
    std::setvbuf(openFile, nullptr, _IONBF, 0);
}

InputStream::InputStream(std::string_view text)
    : block(text.begin(), text.end()), size(static_cast<std::int64_t>(text.size())) {
    filled = block.size();
}

InputStream::InputStream(InputStream&&) noexcept = default;
InputStream& InputStream::operator=(InputStream&&) noexcept = default;
InputStream::~InputStream() = default;

int InputStream::Refill() {
    if (!file) {
        return kEnd;
    }
    const std::size_t count = std::fread(block.data(), 1, block.size(), file.get());
    if (count == 0) {
        if (std::ferror(file.get()) != 0) {
            throw Error(Messages::kReadFailed, Position());
        }
        return kEnd;
    }
    blockStart += static_cast<std::int64_t>(filled);
    filled = count;
    next = 1;
    return static_cast<unsigned char>(block[0]);
}

std::int64_t InputStream::ReadAhead(std::int64_t total) {
    while (file && BytesRead() < total) {
        const auto wanted = static_cast<std::size_t>(
            std::min<std::int64_t>(total - BytesRead(), std::int64_t{kBlockSize}));
        block.resize(std::max(block.size(), filled + wanted));
        const std::size_t count = std::fread(block.data() + filled, 1, wanted, file.get());
        if (count == 0) {
            if (std::ferror(file.get()) != 0) {
                throw Error(Messages::kReadFailed, Position());
            }
            break;
        }
        filled += count;
    }
    return BytesRead();
}

void InputStream::Seek(std::int64_t position) {
    ZORF_ASSERT(position >= 0);
    if (position >= blockStart && position <= blockStart + static_cast<std::int64_t>(filled)) {
        next = static_cast<std::size_t>(position - blockStart);
        return;
    }
    if (!file) {
        next = filled;
        return;
    }
    if (std::fseek(file.get(), static_cast<long>(position), SEEK_SET) != 0) {
        throw Error(Messages::kReadFailed, Position());
    }
    blockStart = position;
    next = 0;
    filled = 0;
}

}  // namespace FileTools
