#include "FileHandler/Syntax/OutputStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "KQmessage/Check.h"
#include "KQmessage/NumberText.h"

namespace FileTools {

namespace {

constexpr std::size_t kBlockSize = 1 << 16;
constexpr int kTemporaryNameAttempts = 100;

}  // namespace

OutputStream OutputStream::ReplaceFile(const std::string& path) {
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        std::string temporary = path + ".tmp" + std::to_string(attempt);
        // "x" never takes over a file that is there already, such as another run's.
        std::FILE* openFile = std::fopen(temporary.c_str(), "wbx");
        if (openFile != nullptr) {
            return OutputStream(openFile, path, std::move(temporary));
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return OutputStream(nullptr, path, {});
}

OutputStream OutputStream::AppendToFile(const std::string& path) {
    return OutputStream(std::fopen(path.c_str(), "ab"), path, {});
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
      failed(other.failed) {}

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

bool OutputStream::Commit() {
    Flush();
    if (inMemory) {
        return true;
    }
    if (file && std::fclose(file.release()) != 0) {
        failed = true;
    }
    if (!failed && !temporaryPath.empty() &&
        std::rename(temporaryPath.c_str(), targetPath.c_str()) != 0) {
        failed = true;
    }
    if (failed) {
        Discard();
        return false;
    }
    temporaryPath.clear();
    return true;
}

const std::string& OutputStream::Text() {
    ZORF_ASSERT(inMemory);
    Flush();
    return memory;
}

void OutputStream::Flush() {
    if (inMemory) {
        memory.append(block.data(), next);
    } else if (!failed && (!file || std::fwrite(block.data(), 1, next, file.get()) != next)) {
        failed = true;
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
        temporaryPath.clear();
    }
}

}  // namespace FileTools
