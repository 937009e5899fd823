#include "KQmessage/ProgramVersion.h"

#include "zorf/Version.h"

bool AsksForVersion(int argc, const char* const* argv, TVersionArgument where) {
    if (where == TVersionArgument::OnlyArgument) {
        return argc == 2 && std::string_view(argv[1]) == "--version";
    }
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--version") {
            return true;
        }
    }
    return false;
}

std::string ProgramVersion(std::string_view program) {
    return std::string(program) + " (zorf) " ZORF_VERSION "\n";
}
