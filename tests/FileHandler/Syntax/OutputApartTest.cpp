// Two outputs of one run are one file whenever their names resolve to one path, whether or not
// the file exists yet.
#include "FileHandler/Syntax/OutputApart.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Support/TempDir.h"

namespace {

// Runs in the folder, so that relative names resolve there; the folder it left comes back.
class TWorkingFolder {
  public:
    explicit TWorkingFolder(const std::filesystem::path& folder)
        : left(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    TWorkingFolder(const TWorkingFolder&) = delete;
    TWorkingFolder& operator=(const TWorkingFolder&) = delete;
    ~TWorkingFolder() { std::filesystem::current_path(left); }

  private:
    std::filesystem::path left;
};

TEST(OutputApartTest, SameOutputFileResolvesNamesOfFilesNotYetThere) {
    const TTempDir folder;
    std::filesystem::create_directory(folder.Path() / "sub");
    const TWorkingFolder inside(folder.Path());
    struct TCase {
        std::string first, second;
        bool same;
    };
    const TCase cases[] = {
        {"x.net", "./x.net", true},
        {"x.net", "sub/../x.net", true},
        {"x.net", folder.File("x.net"), true},
        {"x.net", "sub/x.net", false},
        {"x.net", "x.log", false},
        {"x.net", "", false},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(FileTools::SameOutputFile(c.first, c.second), c.same)
            << c.first << " / " << c.second;
        EXPECT_EQ(FileTools::SameOutputFile(c.second, c.first), c.same)
            << c.second << " / " << c.first;
    }
}

}  // namespace
