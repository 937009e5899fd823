// The parameter file of RecallZorf: words separated by white space; the keywords
// "WeightFile", "RecallFile", "OutputFile", "#Features", "Features" and "Threads" (any letter case)
// are each followed by one separator character and their value(s); other words are skipped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FileHandler/ParameterFile/ParameterReader.h"

struct TRecallParameters {
    std::string weightFile;
    std::string recallFile;
    std::string outputFile = "default.out";
    // 0-based input columns to keep, in order; empty keeps every input.
    std::vector<std::int32_t> features;
    // The threads that propagate the rows; 0 takes every core, 1 runs recall in one thread.
    std::int32_t threads = 0;
    // For a CSV recall file: the input columns (default every column but the targets named).
    FileTools::TCsvColumnChoice columns;
    // Columns of a CSV recall file written ahead of the outputs of a CSV output file (an id).
    std::vector<std::string> copyColumns;
    // Words that look like mistakes yet follow the reading rules (a keyword glued to its
    // value, a Features list that is ignored or longer than its count): one line each for
    // standard error.
    std::vector<std::string> hints;
};

TRecallParameters ReadParameterFile(const std::string& path);

// Reads the settings from the text of a parameter file; `path` only names it in reports.
TRecallParameters ParseParameterText(const std::string& text, const std::string& path);
