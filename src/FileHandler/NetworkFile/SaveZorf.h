// The membership arrays of a network file's fuzzy layers: how many membership functions
// cover each input of a condition layer ([InputMF]) or each output of a defuzzifying output
// layer ([OutputMF]).
#pragma once

#include <string_view>

#include "FileHandler/Syntax/InputStream.h"
#include "FileHandler/Syntax/OutputStream.h"
#include "NeuralNets/TBasicLayer.h"
#include "Zorf/TConditionLayer.h"
#include "Zorf/TZorfOutputLayer.h"

namespace FileTools {

// Reads the block whose tag ("InputMF" or "OutputMF", as written) has just been read and
// installs the counts in the fuzzy layer just created for it; leaves the stream after the
// block's end tag. Nothing is installed unless the whole block is sound.
void ReadMembershipArray(InputStream& in, TBasicLayer& layer, std::string_view blockdef);

void WriteInputMembershipArray(OutputStream& out, const TConditionLayer& layer);
void WriteOutputMembershipArray(OutputStream& out, const TZorfOutputLayer& layer);

}  // namespace FileTools
