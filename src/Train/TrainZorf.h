// `TrainZorf parameter.file`: trains a fuzzy network file on a data set file and writes the
// trained network. The parameter file follows RecallZorf's rules (keywords in any case, one
// separator character, other words skipped).
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "FileHandler/CsvFile/CsvDataSet.h"
#include "Train/TrainSettings.h"

struct TTrainParameters {
    std::string weightFile;
    std::string trainFile;
    std::string validationFile;
    std::string outputWeightFile = "trained.net";
    std::string trainingLog;
    std::vector<std::int32_t> features;
    // Which columns of a CSV training (and validation) file are inputs and expected outputs.
    FileTools::TCsvColumnChoice columns;
    TTrainSettings settings;
    // What the reading rules noticed (as for RecallZorf): one line each for standard error.
    std::vector<std::string> hints;
};

// What a parameter file's text asks for, without opening any file it names, so that a
// setting can be refused before a network is loaded; TParameterFileError (naming `path`)
// for a refused setting.
ZORF_EXPORT TTrainParameters ParseTrainParameterText(const std::string& text,
                                                     const std::string& path);

// The whole job: progress and results go to `out`, errors as RecallZorf reports them (file
// format errors on `out`, the rest on `err`). Returns the process exit status: 0 when the
// network was trained and written, 1 otherwise (an interrupted run writes the best network so
// far and still returns 1).
ZORF_EXPORT int RunTrainZorf(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err);
