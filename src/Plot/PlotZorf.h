// `PlotZorf`: pictures of a fuzzy network as self-contained SVG files: its membership
// functions, its rule matrices, an output's response over two inputs, and a training run's
// error curves.
#pragma once

#include "KQmessage/Export.h"

#include <ostream>

// The whole job of `PlotZorf PLOT source.file picture.svg [options]`: the usage text goes to
// `out`, every error to `err`. Returns the process exit status: 0 when the picture was
// written, 1 otherwise (and then no picture is written).
ZORF_EXPORT int RunPlotZorf(int argc, const char* const* argv, std::ostream& out,
                            std::ostream& err);
