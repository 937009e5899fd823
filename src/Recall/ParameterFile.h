// The parameter file of RecallZorf: words separated by white space; the keywords
// "WeightFile", "RecallFile", "OutputFile", "#Features" and "Features" (any letter case)
// are each followed by one separator character and their value(s); other words are skipped.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

struct TRecallParameters {
    std::string weightFile;
    std::string recallFile;
    std::string outputFile = "default.out";
    // 0-based input columns to keep, in order; empty keeps every input.
    std::vector<std::int32_t> features;
    // Words that look like mistakes yet follow the reading rules (a keyword glued to its
    // value, a Features list that is ignored or longer than its count): one line each for
    // standard error.
    std::vector<std::string> hints;
};

// A parameter file that cannot be opened or is refused; what() is the whole report line.
class TParameterFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Names are held in fields of 256 characters; longer words are refused.
inline constexpr std::size_t kMaxParameterWordLength = 255;
// A parameter file is a few settings; a longer one (such as /dev/zero) is refused before it
// can take the memory of the machine.
inline constexpr std::size_t kMaxParameterFileBytes = std::size_t{1} << 24;

TRecallParameters ReadParameterFile(const std::string& path);

// Reads the settings from the text of a parameter file; `path` only names it in reports.
TRecallParameters ParseParameterText(const std::string& text, const std::string& path);
