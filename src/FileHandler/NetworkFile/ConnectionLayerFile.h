// The connection-layer blocks of a network file: [ConnectionLayer] with the two layers and
// the kind of matrix, then weight blocks in either of two forms, a dense [Matrix ...] with
// one entry per pair of neurons or a sparse [WeightList] with one bracket per arc. Each
// weight block applies on top of what the earlier ones left.
#pragma once

#include "FileHandler/NetworkFile/NetworkSizeLimit.h"
#include "FileHandler/Syntax/InputStream.h"
#include "FileHandler/Syntax/ParseTools.h"
#include "NeuralNets/TBasicConnections.h"
#include "NeuralNets/TBasicNetwork.h"

namespace FileTools {

// One block, from the item that opened it; installs its matrix in the network and leaves
// the stream after [~ConnectionLayer]. The matrix's arcs are claimed from `limit` first.
void ReadConnectionLayer(ScratchBuffer& scratch, InputStream& in, TBasicNetwork& network,
                         const BlockItem& opening, NetworkSizeLimit& limit);

// One weight block into the matrix, from the item that opened it. Each returns the item
// after the entries, which the caller requires to end the block.
BlockItem ReadWeightMatrix(ScratchBuffer& scratch, InputStream& in, TBasicConnections& matrix,
                           const BlockItem& opening);
BlockItem ReadWeightList(ScratchBuffer& scratch, InputStream& in, TBasicConnections& matrix,
                         const BlockItem& opening);

}  // namespace FileTools
