// The network, layer and connection types a network file names, each with what builds it:
// the one place where a type word of the file becomes an object.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "FileHandler/Syntax/InputStream.h"
#include "NeuralNets/TBasicConnections.h"
#include "NeuralNets/TBasicLayer.h"
#include "NeuralNets/TBasicNetwork.h"

namespace FileTools {

struct TNetworkType {
    const char* name;
    // A network with that many layer slots, all empty.
    std::unique_ptr<TBasicNetwork> (*make)(std::int32_t numLayers);
};

struct TLayerType {
    const char* name;
    TBasicLayer* (*make)(TBasicNetwork* network, std::int32_t number, std::int32_t count);
    // The block that must follow the layer items of a fuzzy layer (none for the others), and
    // the message when it does not.
    const char* membershipTag;
    const char* membershipMissing;
};

struct TConnectionType {
    const char* name;
    // The arcs follow the layers' structure: adding or removing one changes nothing, and
    // an entry for an arc the matrix does not have would reach another arc.
    bool fixedArcs;
    // The matrix for the pair, whose layers exist. Raises FileTools::Error (with the reading
    // position) when the layers cannot carry this kind of matrix.
    TBasicConnections* (*make)(const InputStream& in, TBasicNetwork& network, std::int32_t from,
                               std::int32_t to);
};

// Each is null for a word that names no type; words match ignoring case.
const TNetworkType* FindNetworkType(std::string_view name);
const TLayerType* FindLayerType(std::string_view name);
const TConnectionType* FindConnectionType(std::string_view name);

}  // namespace FileTools
