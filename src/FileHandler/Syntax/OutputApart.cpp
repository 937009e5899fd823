#include "FileHandler/Syntax/OutputApart.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace FileTools {

namespace {

std::optional<struct stat> RegularFile(const std::string& path) {
    struct stat status {};
    if (path.empty() || stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return status;
}

}  // namespace

std::optional<std::string> OutputAmongInputs(const std::string& output,
                                             const std::vector<NamedInput>& inputs) {
    const std::optional<struct stat> written = RegularFile(output);
    if (!written) {
        return std::nullopt;
    }
    for (const NamedInput& input : inputs) {
        const std::optional<struct stat> read = RegularFile(input.path);
        if (read && read->st_dev == written->st_dev && read->st_ino == written->st_ino) {
            return "The output file is also the " + input.role;
        }
    }
    return std::nullopt;
}

bool SameOutputFile(const std::string& first, const std::string& second) {
    if (first.empty() || second.empty()) {
        return false;
    }
    const std::optional<struct stat> firstFile = RegularFile(first);
    const std::optional<struct stat> secondFile = RegularFile(second);
    if (firstFile && secondFile) {
        return firstFile->st_dev == secondFile->st_dev && firstFile->st_ino == secondFile->st_ino;
    }
    std::error_code failed;
    if (firstFile || secondFile || std::filesystem::exists(first, failed) ||
        std::filesystem::exists(second, failed)) {
        return false;
    }
    // Neither exists: the names are compared as the folders they lie in resolve. A relative
    // name is made absolute first, since a name none of whose leading parts exists ("x.net")
    // would otherwise stay relative and never equal "./x.net".
    const auto resolved = [&failed](const std::string& name) {
        return std::filesystem::weakly_canonical(std::filesystem::absolute(name, failed), failed);
    };
    const std::filesystem::path firstPath = resolved(first);
    const std::filesystem::path secondPath = resolved(second);
    return !failed && firstPath == secondPath;
}

}  // namespace FileTools
