#pragma once

#include "KQmessage/Export.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "FileHandler/Syntax/InputStream.h"
#include "FileHandler/Syntax/ParseTools.h"
#include "Zorf/TZorf.h"

// How the rows travel through recall. RowByRow reads, recalls and writes one row at a time,
// so memory does not grow with the rows; Loaded loads the whole recall file, recalls it into
// a result data set and saves that. Both report the same errors on the same streams and write
// the same bytes. Automatic is the program's choice: RowByRow, except for a network that
// writes a warning on every row it propagates (a layer out of the input position), whose
// warnings must not come before an error further down the recall file.
enum class TRecallPath { Automatic, RowByRow, Loaded };

// The whole recall job of `RecallZorf parameter.file`. Reports go to `out` (file format
// errors) and `err` (everything else); returns the process exit status.
ZORF_EXPORT int RunRecallZorf(int argc, const char* const* argv, std::ostream& out,
                              std::ostream& err);
// The same job along a chosen path.
ZORF_EXPORT int RunRecallZorfAlong(int argc, const char* const* argv, std::ostream& out,
                                   std::ostream& err, TRecallPath path);
