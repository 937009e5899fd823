#include "FileHandler/Syntax/OutputApart.h"

#include <sys/stat.h>

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

}  // namespace FileTools
