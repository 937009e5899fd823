// What every program of the package answers to --version: one line that names the program,
// the package and the version, the form that help2man and scripts read.
#pragma once

#include <string>
#include <string_view>

// Where a program takes --version: as its one argument only (a program whose one argument is
// a file name, which may then be given as ./--version), or wherever it stands among options.
enum class TVersionArgument { OnlyArgument, AnyArgument };

bool AsksForVersion(int argc, const char* const* argv, TVersionArgument where);

// "NAME (zorf) MAJOR.MINOR.PATCH\n".
std::string ProgramVersion(std::string_view program);
