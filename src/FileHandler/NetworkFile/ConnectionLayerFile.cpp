#include "FileHandler/NetworkFile/ConnectionLayerFile.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FileHandler/NetworkFile/NetworkTypes.h"
#include "FileHandler/Syntax/FileMessages.h"
#include "KQmessage/Check.h"
#include "KQmessage/StrCaseCmp.h"

namespace FileTools {

namespace {

// A matrix declares at most this many value kinds per entry.
constexpr std::size_t kMaxEntryKinds = 9;

enum class EntryKind { Weights, TrainableInfo };

bool IsKey(const BlockItem& item, std::string_view name) {
    return KQML::strcasecmp(item.name, name) == 0;
}

std::int32_t NumNeurons(const TBasicNetwork& network, std::int32_t layer) {
    return network.GetLayer(layer)->GetNumNeurons();
}

// The layers a block names must be layers of the network that a layer block created.
void RequireLayer(const InputStream& in, const TBasicNetwork& network, std::int32_t layer) {
    if (layer >= network.GetNumLayers()) {
        throw Error(Messages::kConnectionLayerOutside, in.Position());
    }
    if (network.GetLayer(layer) == nullptr) {
        throw Error(Messages::kConnectionLayerUndefined, in.Position());
    }
}

void RemoveEveryArc(TBasicConnections& matrix, std::int32_t nFrom, std::int32_t nTo) {
    for (std::int32_t i = 0; i < nFrom; ++i) {
        for (std::int32_t j = 0; j < nTo; ++j) {
            matrix.RemoveArc(i, j);
        }
    }
}

// The words after "Matrix" in its bracket.
std::vector<EntryKind> ReadEntryKinds(ScratchBuffer& scratch, InputStream& in,
                                      const BlockItem& opening) {
    std::vector<EntryKind> kinds;
    for (BlockItem item = opening; item.more;) {
        item = ReadBlockItem(scratch, in, opening.name, true);
        if (item.kind != ItemKind::Tag) {
            throw Error(Messages::kMatrixKeywordExpected, in.Position());
        }
        EntryKind kind = EntryKind::Weights;
        if (IsKey(item, "TRAINABLEINFO")) {
            kind = EntryKind::TrainableInfo;
        } else if (!IsKey(item, "WEIGHTS")) {
            throw Error(Messages::kUnknownMatrixAttribute, in.Position());
        }
        if (kinds.size() == kMaxEntryKinds) {
            ZORF_REFUSE("wnum < 10");
        }
        kinds.push_back(kind);
    }
    return kinds;
}

bool HasFixedArcs(const TBasicConnections& matrix) {
    const TConnectionType* type = FindConnectionType(matrix.GetConnectionsNType());
    return type != nullptr && type->fixedArcs;
}

// After AddArc every arc a matrix can hold exists.
void RequireArc(const InputStream& in, TBasicConnections& matrix, std::int32_t i, std::int32_t j) {
    if (!matrix.IsValid(i, j)) {
        throw Error(Messages::kNoSuchArc, in.Position());
    }
}

void ApplyWeightToken(const InputStream& in, TBasicConnections& matrix, std::int32_t i,
                      std::int32_t j, std::string_view token) {
    if (token == "-") {
        matrix.RemoveArc(i, j);
        return;
    }
    matrix.AddArc(i, j);
    RequireArc(in, matrix, i, j);
    matrix.GetWeight(i, j) = ParseNumber(in, token);
}

void ApplyTrainableToken(const InputStream& in, TBasicConnections& matrix, std::int32_t i,
                         std::int32_t j, std::string_view token) {
    const bool unfreeze = KQML::strcasecmp(token, "T") == 0;
    const bool freeze = KQML::strcasecmp(token, "F") == 0;
    if (!unfreeze && !freeze) {
        if (matrix.IsValid(i, j)) {
            ZORF_REFUSE("!conn -> IsValid(from,to)");
        }
        return;
    }
    // An absent arc of a pruneable matrix stays absent; a fixed matrix would change the
    // flags of another arc.
    if (HasFixedArcs(matrix)) {
        RequireArc(in, matrix, i, j);
    }
    if (unfreeze) {
        matrix.Unfreeze(i, j);
    } else {
        matrix.Freeze(i, j);
    }
}

struct WeightListEntry {
    std::int32_t from = -1;
    std::int32_t to = -1;
    double weight = 0.0;
    bool trainable = true;
};

void ApplyWeightListItem(const InputStream& in, const BlockItem& item, WeightListEntry& entry) {
    if (item.kind == ItemKind::KeyValue) {
        if (IsKey(item, "FROM")) {
            entry.from = ParseInteger(in, item.value);
        } else if (IsKey(item, "TO")) {
            entry.to = ParseInteger(in, item.value);
        } else if (IsKey(item, "WEIGHT")) {
            entry.weight = ParseNumber(in, item.value);
        } else {
            throw Error(Messages::kUnknownWeightsKeyword, in.Position());
        }
        return;
    }
    if (IsKey(item, "TRAINABLE")) {
        entry.trainable = true;
    } else if (IsKey(item, "UNTRAINABLE")) {
        entry.trainable = false;
    } else {
        // The word itself is shown, since the message cannot say which one it was.
        std::fputs((item.name + "\n").c_str(), stdout);
        throw Error(Messages::kUnknownWeightsKeyword, in.Position());
    }
}

void InstallArc(const InputStream& in, TBasicConnections& matrix, const WeightListEntry& entry) {
    if (entry.from < 0 || entry.to < 0) {
        throw Error(Messages::kInsufficientWeights, in.Position());
    }
    const TBasicNetwork& network = *matrix.GetNetwork();
    if (entry.from >= NumNeurons(network, matrix.GetFromLayer()) ||
        entry.to >= NumNeurons(network, matrix.GetToLayer())) {
        throw Error(Messages::kWeightIndexOutside, in.Position());
    }
    matrix.AddArc(entry.from, entry.to);
    RequireArc(in, matrix, entry.from, entry.to);
    if (entry.trainable) {
        matrix.Unfreeze(entry.from, entry.to);
    } else {
        matrix.Freeze(entry.from, entry.to);
    }
    matrix.GetWeight(entry.from, entry.to) = entry.weight;
}

}  // namespace

void ReadConnectionLayer(ScratchBuffer& scratch, InputStream& in, TBasicNetwork& network,
                         const BlockItem& opening, NetworkSizeLimit& limit) {
    const std::string& blockdef = opening.name;
    std::int32_t from = -1;
    std::int32_t to = -1;
    std::optional<std::string> typeName;
    BlockItem item = ReadBlockItem(scratch, in, blockdef, false);
    for (;; item = ReadBlockItem(scratch, in, blockdef, false)) {
        if (IsItem(item, ItemKind::Tag, "ATTRIBUTES")) {
            // Descriptive only.
            while (item.more) {
                item = ReadBlockItem(scratch, in, blockdef, true);
            }
            continue;
        }
        if (item.kind != ItemKind::KeyValue) {
            break;
        }
        if (item.more) {
            throw Error(Messages::kTooComplicated, in.Position());
        }
        if (IsKey(item, "LAYERFROM")) {
            from = ParseInteger(in, item.value);
        } else if (IsKey(item, "LAYERTO")) {
            to = ParseInteger(in, item.value);
        } else if (IsKey(item, "CONNECTIONTYPE")) {
            typeName = item.value;
        } else {
            throw Error(Messages::kUnknownConnectionKeyword, in.Position());
        }
    }
    const TConnectionType* type = typeName ? FindConnectionType(*typeName) : nullptr;
    if (from < 0 || to < 0 || type == nullptr) {
        throw Error(Messages::kInsufficientConnection, in.Position());
    }
    RequireLayer(in, network, from);
    RequireLayer(in, network, to);
    if (network.GetConnections(from, to).IsConnected()) {
        throw Error(Messages::kConnectionsDefined, in.Position());
    }
    limit.ClaimMatrix(NumNeurons(network, from), NumNeurons(network, to), type->fixedArcs);
    network.SetConnections(from, to, type->make(in, network, from, to));
    TBasicConnections& matrix = network.GetConnections(from, to);
    if (KQML::strcasecmp(matrix.GetConnectionsNType(), "FullyConnected") != 0) {
        RemoveEveryArc(matrix, NumNeurons(network, from), NumNeurons(network, to));
    }
    for (; IsItem(item, ItemKind::Tag, "MATRIX") || IsItem(item, ItemKind::Tag, "WEIGHTLIST");
         item = ReadBlockItem(scratch, in, blockdef, false)) {
        item = IsItem(item, ItemKind::Tag, "MATRIX") ? ReadWeightMatrix(scratch, in, matrix, item)
                                                     : ReadWeightList(scratch, in, matrix, item);
        ExpectBlockEnd(in, item);
    }
    ExpectBlockEnd(in, item);
}

BlockItem ReadWeightMatrix(ScratchBuffer& scratch, InputStream& in, TBasicConnections& matrix,
                           const BlockItem& opening) {
    const std::vector<EntryKind> kinds = ReadEntryKinds(scratch, in, opening);
    BlockItem item = ReadBlockItem(scratch, in, opening.name, false);
    // Entries without a value kind take no bytes, and a walk over them would take time the
    // file does not account for.
    if (kinds.empty()) {
        return item;
    }
    const TBasicNetwork& network = *matrix.GetNetwork();
    const std::int32_t nFrom = NumNeurons(network, matrix.GetFromLayer());
    const std::int32_t nTo = NumNeurons(network, matrix.GetToLayer());
    for (std::int32_t i = 0; i < nFrom; ++i) {
        for (std::int32_t j = 0; j < nTo; ++j) {
            for (const EntryKind kind : kinds) {
                if (item.kind != ItemKind::BareToken) {
                    throw Error(Messages::kTokenExpected, in.Position());
                }
                if (kind == EntryKind::Weights) {
                    ApplyWeightToken(in, matrix, i, j, item.name);
                } else {
                    ApplyTrainableToken(in, matrix, i, j, item.name);
                }
                item = ReadBlockItem(scratch, in, opening.name, false);
            }
        }
    }
    return item;
}

BlockItem ReadWeightList(ScratchBuffer& scratch, InputStream& in, TBasicConnections& matrix,
                         const BlockItem& opening) {
    for (;;) {
        BlockItem item = ReadBlockItem(scratch, in, opening.name, false);
        if (item.kind != ItemKind::Tag && item.kind != ItemKind::KeyValue) {
            return item;
        }
        WeightListEntry entry;
        ApplyWeightListItem(in, item, entry);
        while (item.more) {
            item = ReadBlockItem(scratch, in, opening.name, true);
            ApplyWeightListItem(in, item, entry);
        }
        InstallArc(in, matrix, entry);
    }
}

}  // namespace FileTools
