// What a network file may build but recall cannot run: a network is checked before its
// first row is propagated.
#pragma once

#include "NeuralNets/TBasicNetwork.h"

namespace FileTools {

// Refuses, with a FileTools::Error that names the layer and the problem, a network with a
// layer slot no layer block filled, a neuron whose activation function cannot run where it
// stands (none given, a placeholder, or a membership function outside a condition layer), a
// condition layer covering more inputs than the layer below has, or a defuzzifying layer
// without the matrix from the layer below that holds its centres.
void RequireRecallable(const TBasicNetwork& network);

}  // namespace FileTools
