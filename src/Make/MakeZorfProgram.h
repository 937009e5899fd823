// The program `MakeZorf [options] network.file`: its options read into a recipe, the network
// made from it (Zorf/MakeZorf.h) and written as a network file.
#pragma once

#include <ostream>

#include "KQmessage/Export.h"

// The whole job: the usage text goes to `out`, every error to `err`. Returns the process exit
// status: 0 when the file was written, 1 otherwise.
ZORF_EXPORT int RunMakeZorf(int argc, const char* const* argv, std::ostream& out,
                            std::ostream& err);
