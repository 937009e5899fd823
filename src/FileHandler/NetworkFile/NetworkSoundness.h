// What a network file may build but recall cannot run: a network is checked before its
// first row is propagated.
#pragma once

#include "KQmessage/Export.h"

#include <memory>
#include <string>

#include "FileHandler/Syntax/InputStream.h"
#include "FileHandler/Syntax/ParseTools.h"
#include "NeuralNets/TBasicNetwork.h"
#include "Zorf/TZorf.h"

namespace FileTools {

// Refuses, with a FileTools::Error that names the layer and the problem, a network with a
// layer slot no layer block filled, a neuron whose activation function cannot run where it
// stands (none given, a placeholder, or a membership function outside a condition layer), a
// condition layer covering more inputs than the layer below has, or a defuzzifying layer
// without the matrix from the layer below that holds its centres.
ZORF_EXPORT void RequireRecallable(const TBasicNetwork& network);

// The fuzzy network of a network file (or of a network file's text), refused
// (FileTools::Error, or TCheckFailure) before any row is read unless the file holds one that
// recall can run: every program and the Python module load a fuzzy network this way.
ZORF_EXPORT std::unique_ptr<TZorf> LoadRecallableZorf(ScratchBuffer& scratch,
                                                      const std::string& fileName);
ZORF_EXPORT std::unique_ptr<TZorf> ReadRecallableZorf(ScratchBuffer& scratch, InputStream& in);

}  // namespace FileTools
