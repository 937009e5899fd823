// `ExplainZorf`: a fuzzy network's rules in words, and why one row got its outputs.
#pragma once

#include <ostream>

// The whole job of `ExplainZorf rules network.file [options]` and `ExplainZorf row network.file
// (--values ... | --data file.dat --row N) [options]`: the explanation (or the usage text) goes
// to `out`, every error to `err`. Returns the process exit status: 0 when the explanation was
// written, 1 otherwise (and then nothing is written to `out`).
int RunExplainZorf(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
