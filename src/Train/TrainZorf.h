// `TrainZorf parameter.file`: trains a fuzzy network file on a data set file and writes the
// trained network. The parameter file follows RecallZorf's rules (keywords in any case, one
// separator character, other words skipped).
#pragma once

#include <ostream>

// The whole job: progress and results go to `out`, errors as RecallZorf reports them (file
// format errors on `out`, the rest on `err`). Returns the process exit status: 0 when the
// network was trained and written, 1 otherwise (an interrupted run writes the best network so
// far and still returns 1).
int RunTrainZorf(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
