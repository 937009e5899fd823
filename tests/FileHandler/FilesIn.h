// The names of the files in a test's folder, sorted: what a writer left behind.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "Support/TempDir.h"

inline std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline std::vector<std::string> FilesIn(const TTempDir& folder) {
    return FilesIn(folder.Path());
}
