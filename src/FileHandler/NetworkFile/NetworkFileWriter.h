// Network files: the writer of the format that the network file reader accepts, for every
// kind of layered network (basic, connected and fuzzy). It chooses what the format leaves
// open: which values a layer's neurons share and are written once, whether a matrix goes
// as a dense matrix or as a list of its arcs, and how numbers look.
//
// What the format cannot carry is refused with FileTools::Error: a bias layer of more than
// one neuron ("Illegal number of bias nodes") and a value written with decimals whose text
// would exceed the format's 19 characters.
#pragma once

#include "KQmessage/Export.h"

#include <memory>
#include <string>

#include "FileHandler/Syntax/OutputStream.h"
#include "KQmessage/KQML.h"
#include "NeuralNets/TBasicNetwork.h"

namespace FileTools {

// Writes the whole file under a temporary name and renames it into place only when all of
// it was written: a failure leaves an earlier file of that name as it was. A file that
// cannot be created or written raises FileTools::Error naming it. `report` is discarded on
// entry and not filled; callers pass none.
ZORF_EXPORT void SaveNetwork(const std::string& fileName, TBasicNetwork& network,
                             std::unique_ptr<TKQstructure>* report = nullptr);
ZORF_EXPORT void WriteNetwork(OutputStream& out, TBasicNetwork& network,
                              std::unique_ptr<TKQstructure>* report = nullptr);

}  // namespace FileTools
