// What a network file may build but recall cannot run: a network is checked before its
// first row is propagated.
#pragma once

#include <memory>
#include <string>

#include "FileHandler/Syntax/ParseTools.h"
#include "NeuralNets/TBasicNetwork.h"
#include "Zorf/TZorf.h"

namespace FileTools {

// Refuses, with a FileTools::Error that names the layer and the problem, a network with a
// layer slot no layer block filled, a neuron whose activation function cannot run where it
// stands (none given, a placeholder, or a membership function outside a condition layer), a
// condition layer covering more inputs than the layer below has, or a defuzzifying layer
// without the matrix from the layer below that holds its centres.
void RequireRecallable(const TBasicNetwork& network);

// The fuzzy network of a network file, refused (FileTools::Error) unless the file holds one
// that recall can run: every program that works on a fuzzy network loads it this way.
std::unique_ptr<TZorf> LoadRecallableZorf(ScratchBuffer& scratch, const std::string& fileName);

}  // namespace FileTools
