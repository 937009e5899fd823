#pragma once

#include <ostream>

// The whole recall job of `RecallZorf parameter.file`. Reports go to `out` (file format
// errors) and `err` (everything else); returns the process exit status.
int RunRecallZorf(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
