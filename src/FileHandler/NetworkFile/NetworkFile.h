// Network files: the one reader of the format that describes a whole layered network, its
// type, its layers with their neurons, functions and parameters, the membership arrays of
// the fuzzy layers and the connection matrices with their weights.
//
// A file that breaks the format raises FileTools::Error (or refuses with TCheckFailure, naming
// the failed condition); nothing built so far is handed out then.
#pragma once

#include "KQmessage/Export.h"

#include <memory>
#include <string>

#include "FileHandler/Syntax/InputStream.h"
#include "FileHandler/Syntax/ParseTools.h"
#include "KQmessage/KQML.h"
#include "NeuralNets/TBasicNetwork.h"

namespace FileTools {

// `report` is discarded on entry and not filled; callers pass none.
ZORF_EXPORT std::unique_ptr<TBasicNetwork> LoadNetwork(
    ScratchBuffer& scratch, const std::string& fileName,
    std::unique_ptr<TKQstructure>* report = nullptr);
ZORF_EXPORT std::unique_ptr<TBasicNetwork> ReadNetwork(
    ScratchBuffer& scratch, InputStream& in, std::unique_ptr<TKQstructure>* report = nullptr);

}  // namespace FileTools
