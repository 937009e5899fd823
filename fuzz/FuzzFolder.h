// A folder of the fuzzing process's own for the readers that take file names; in memory
// (/dev/shm) where the machine has one, so that each input costs no disk write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

class TFuzzFolder {
  public:
    static const TFuzzFolder& Get() {
        static const TFuzzFolder folder;
        return folder;
    }

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

    // Writes the bytes to the file `name` of the folder; returns its path.
    std::string Write(const std::string& name, std::string_view bytes) const {
        const std::string path = File(name);
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    TFuzzFolder(const TFuzzFolder&) = delete;
    TFuzzFolder& operator=(const TFuzzFolder&) = delete;

  private:
    std::filesystem::path path_;

    TFuzzFolder() {
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        path_ = base / ("zorf-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path_);
    }
    ~TFuzzFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
};

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}
