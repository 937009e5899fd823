#include "FileHandler/NetworkFile/NetworkFile.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "FileHandler/NetworkFile/ConnectionLayerFile.h"
#include "FileHandler/NetworkFile/DataInfoComment.h"
#include "FileHandler/NetworkFile/NetworkSizeLimit.h"
#include "FileHandler/NetworkFile/NetworkTypes.h"
#include "FileHandler/NetworkFile/SaveZorf.h"
#include "FileHandler/Syntax/FileMessages.h"
#include "KQmessage/Check.h"
#include "KQmessage/StrCaseCmp.h"
#include "Zorf/TZorf.h"

namespace FileTools {

namespace {

struct NetworkHeader {
    std::optional<std::int32_t> numLayers;
    std::optional<std::int32_t> inLayer;
    std::optional<std::int32_t> outLayer;
    std::optional<std::int32_t> numInputs;
    std::optional<std::int32_t> numOutputs;
    std::optional<std::int32_t> biasLayer;
};

struct HeaderKey {
    const char* name;
    std::optional<std::int32_t> NetworkHeader::*field;
};

constexpr HeaderKey kHeaderKeys[] = {
    {"NUMBEROFLAYERS", &NetworkHeader::numLayers},   {"INPUTLAYER", &NetworkHeader::inLayer},
    {"OUTPUTLAYER", &NetworkHeader::outLayer},       {"NUMBEROFINPUTS", &NetworkHeader::numInputs},
    {"NUMBEROFOUTPUTS", &NetworkHeader::numOutputs}, {"BIASLAYER", &NetworkHeader::biasLayer},
};

// The items of [NetworkInformation] up to its end tag; a repeated key overrides.
NetworkHeader ReadHeader(ScratchBuffer& scratch, InputStream& in, std::string_view blockdef) {
    NetworkHeader header;
    BlockItem item = ReadBlockItem(scratch, in, blockdef, false);
    for (; item.kind == ItemKind::KeyValue; item = ReadBlockItem(scratch, in, blockdef, false)) {
        if (item.more) {
            throw Error(Messages::kTooComplicated, in.Position());
        }
        const std::int32_t value = ParseInteger(in, item.value);
        const auto key = std::find_if(
            std::begin(kHeaderKeys), std::end(kHeaderKeys),
            [&](const HeaderKey& k) { return KQML::strcasecmp(item.name, k.name) == 0; });
        if (key == std::end(kHeaderKeys)) {
            throw Error(Messages::kUnknownKeyword, in.Position());
        }
        header.*(key->field) = value;
    }
    ExpectBlockEnd(in, item);
    return header;
}

// The defaults filled in, and the input layer checked against the layer count (which is then
// at least 1).
void CompleteHeader(const InputStream& in, NetworkHeader& header) {
    if (!header.numLayers) {
        throw Error(Messages::kNoNumberOfLayers, in.Position());
    }
    const std::int32_t numLayers = *header.numLayers;
    header.inLayer = header.inLayer.value_or(1);
    header.outLayer = header.outLayer.value_or(numLayers - 1);
    if (*header.inLayer >= numLayers) {
        ZORF_REFUSE("inlayer < numlayers");
    }
    if (*header.inLayer < 0) {
        throw Error(Messages::kInputLayerOutside, in.Position());
    }
}

TActFunction LookUpFunction(const InputStream& in, const TBasicNetwork& network,
                            std::string_view name) {
    const TActFunction function = network.GetFnRegistry().FindFunction(name);
    if (function == nullptr) {
        throw Error(Messages::kUnknownFunction + std::string(name), in.Position());
    }
    return function;
}

// The slot of the neuron's parameter of that name; a name the neuron does not have stops
// the load.
std::size_t ParameterSlot(const TBasicNeuron& neuron, std::string_view name) {
    for (std::int32_t p = 0; p < neuron.GetNumParameters(); ++p) {
        if (KQML::strcasecmp(neuron.GetParameterName(p), name) == 0) {
            return static_cast<std::size_t>(p);
        }
    }
    ZORF_REFUSE("found");
}

// One [Layer = k] ... [~Layer] block, from its opening item on.
class LayerBlockReader {
  public:
    LayerBlockReader(ScratchBuffer& scratchBuffer, InputStream& input, TBasicNetwork& net,
                     const NetworkHeader& networkHeader, NetworkSizeLimit& sizeLimit)
        : scratch(scratchBuffer),
          in(input),
          network(net),
          header(networkHeader),
          limit(sizeLimit) {}

    void Read(const BlockItem& opening) {
        layernum = ParseInteger(in, opening.value);
        if (layernum < 0) {
            ZORF_REFUSE("layernum >= 0");
        }
        if (layernum >= network.GetNumLayers()) {
            ZORF_REFUSE("layernum < numlayers");
        }
        if (network.GetLayer(layernum) != nullptr) {
            throw Error(Messages::kLayerRepeated, in.Position());
        }
        blockdef = opening.name;
        BlockItem item = ReadLayerItems();
        if (layer == nullptr) {
            ZORF_REFUSE("NN -> layers[layernum] != NULL");
        }
        if (layerFunction != nullptr) {
            layer->SetActivationFunction(layerFunction);
        }
        item = ReadMembership(std::move(item));
        if (IsItem(item, ItemKind::Tag, "NEURONS")) {
            item = ReadNeurons(item.name);
        } else {
            SetLayerParameters();
        }
        ExpectBlockEnd(in, item);
    }

  private:
    ScratchBuffer& scratch;
    InputStream& in;
    TBasicNetwork& network;
    const NetworkHeader& header;
    NetworkSizeLimit& limit;

    std::int32_t layernum = 0;
    std::string blockdef;
    std::optional<std::string> layerType;
    std::int32_t numneurons = -1;
    TActFunction layerFunction = nullptr;
    TBasicLayer* layer = nullptr;
    const TLayerType* type = nullptr;
    std::vector<bool> neuronSeen;
    // Carried over from the layer items into every neuron, and from one Neurons entry to
    // the entries that follow.
    std::vector<double> parameters;
    std::vector<bool> parameterSet;

    BlockItem Next(bool bracket = false) { return ReadBlockItem(scratch, in, blockdef, bracket); }

    // The layer items, [Key = Value] or [ALL Key = Value]; returns the item after them.
    BlockItem ReadLayerItems() {
        for (;;) {
            BlockItem item = Next();
            if (IsItem(item, ItemKind::Tag, "ALL")) {
                if (!item.more) {
                    throw Error(Messages::kIncompleteAll, in.Position());
                }
                item = Next(true);
                if (item.kind != ItemKind::KeyValue) {
                    throw Error(Messages::kAllSyntax, in.Position());
                }
            } else if (item.kind != ItemKind::KeyValue) {
                return item;
            }
            if (item.more) {
                throw Error(Messages::kTooComplicated, in.Position());
            }
            ApplyLayerItem(item);
            CreateLayerWhenKnown();
        }
    }

    void ApplyLayerItem(const BlockItem& item) {
        if (KQML::strcasecmp(item.name, "LAYERTYPE") == 0) {
            RefuseOnceCreated(Messages::kLayerTypeRepeated);
            layerType = item.value;
        } else if (KQML::strcasecmp(item.name, "NUMBEROFNEURONS") == 0) {
            RefuseOnceCreated(Messages::kNeuronCountRepeated);
            numneurons = ParseInteger(in, item.value);
        } else if (KQML::strcasecmp(item.name, "ACTIVATIONFUNCTION") == 0) {
            layerFunction = LookUpFunction(in, network, item.value);
        } else {
            SetLayerParameter(item);
        }
    }

    void RefuseOnceCreated(const char* message) const {
        if (layer != nullptr) {
            throw Error(message, in.Position());
        }
    }

    void SetLayerParameter(const BlockItem& item) {
        if (numneurons < 0) {
            ZORF_REFUSE("numneurons >= 0");
        }
        if (layer == nullptr) {
            ZORF_REFUSE("layer != NULL");
        }
        if (numneurons == 0) {
            ZORF_REFUSE("found");
        }
        const std::size_t slot = ParameterSlot(*layer->GetNeuron(0), item.name);
        parameters[slot] = ParseNumber(in, item.value);
        parameterSet[slot] = true;
    }

    void CreateLayerWhenKnown() {
        if (layer != nullptr || !layerType || numneurons < 0) {
            return;
        }
        if (layernum == *header.inLayer && header.numInputs && *header.numInputs != numneurons) {
            throw Error(Messages::kWrongInputCount, in.Position());
        }
        if (layernum == *header.outLayer && header.numOutputs && *header.numOutputs != numneurons) {
            throw Error(Messages::kWrongOutputCount, in.Position());
        }
        type = FindLayerType(*layerType);
        if (type == nullptr) {
            throw Error(Messages::kUnknownLayerType, in.Position());
        }
        limit.ClaimNeurons(numneurons);
        layer = type->make(&network, layernum, numneurons);
        network.SetLayer(layernum, layer);
        neuronSeen.assign(static_cast<std::size_t>(numneurons), false);
        std::int32_t slots = 0;
        for (std::int32_t i = 0; i < numneurons; ++i) {
            slots = std::max(slots, layer->GetNeuron(i)->GetNumParameters());
        }
        parameters.assign(static_cast<std::size_t>(slots), 0.0);
        parameterSet.assign(static_cast<std::size_t>(slots), false);
    }

    // The fuzzy layers' membership array, which their type requires next.
    BlockItem ReadMembership(BlockItem item) {
        if (type->membershipTag == nullptr) {
            return item;
        }
        if (!IsItem(item, ItemKind::Tag, type->membershipTag)) {
            throw Error(type->membershipMissing, in.Position());
        }
        ReadMembershipArray(in, *layer, item.name);
        return Next();
    }

    void SetLayerParameters() {
        if (std::find(parameterSet.begin(), parameterSet.end(), false) != parameterSet.end()) {
            throw Error(Messages::kIncompleteLayer, in.Position());
        }
        for (std::int32_t i = 0; i < numneurons; ++i) {
            layer->GetNeuron(i)->SetParameters(parameters.data());
        }
    }

    // The Neurons block, one entry per neuron; returns the item after the block.
    BlockItem ReadNeurons(const std::string& neuronsdef) {
        BlockItem item = ReadBlockItem(scratch, in, neuronsdef, false);
        for (; IsItem(item, ItemKind::KeyValue, "NEURON");
             item = ReadBlockItem(scratch, in, neuronsdef, false)) {
            ReadNeuronEntry(neuronsdef, item);
        }
        ExpectBlockEnd(in, item);
        item = Next();
        if (std::find(neuronSeen.begin(), neuronSeen.end(), false) != neuronSeen.end()) {
            throw Error(Messages::kNeuronNotDefined, in.Position());
        }
        return item;
    }

    void ReadNeuronEntry(const std::string& neuronsdef, BlockItem item) {
        const std::int32_t neuronnum = ParseInteger(in, item.value);
        if (neuronnum < 0) {
            ZORF_REFUSE("neuronnum>=0");
        }
        if (neuronnum >= numneurons) {
            ZORF_REFUSE("neuronnum<numneurons");
        }
        if (neuronSeen[static_cast<std::size_t>(neuronnum)]) {
            throw Error(Messages::kRepeatedNeuron, in.Position());
        }
        TBasicNeuron& neuron = *layer->GetNeuron(neuronnum);
        TActFunction neuronFunction = nullptr;
        while (item.more) {
            item = ReadBlockItem(scratch, in, neuronsdef, true);
            if (item.kind != ItemKind::KeyValue) {
                throw Error(Messages::kNeuronEqualsExpected, in.Position());
            }
            if (KQML::strcasecmp(item.name, "ACTIVATIONFUNCTION") == 0) {
                neuronFunction = LookUpFunction(in, network, item.value);
            } else {
                parameters[ParameterSlot(neuron, item.name)] = ParseNumber(in, item.value);
            }
        }
        neuron.SetParameters(parameters.data());
        if (layerFunction == nullptr) {
            if (neuronFunction == nullptr) {
                throw Error(Messages::kNoActivationFunction, in.Position());
            }
            neuron.SetActivationFunction(neuronFunction);
        }
        neuronSeen[static_cast<std::size_t>(neuronnum)] = true;
    }
};

}  // namespace

std::unique_ptr<TBasicNetwork> LoadNetwork(ScratchBuffer& scratch, const std::string& fileName,
                                           std::unique_ptr<TKQstructure>* report) {
    std::optional<InputStream> in = InputStream::Open(fileName);
    if (!in) {
        throw Error(Messages::kOpenFailed);
    }
    return ReadNetwork(scratch, *in, report);
}

std::unique_ptr<TBasicNetwork> ReadNetwork(ScratchBuffer& scratch, InputStream& in,
                                           std::unique_ptr<TKQstructure>* report) {
    if (report != nullptr) {
        report->reset();
    }
    NetworkSizeLimit limit(in);
    std::optional<TZorfDataInfo> info = ReadDataInfoComment(in);
    const std::string netdef =
        ExpectBlockStart(in, ReadBlockItem(scratch, in, {}, false), "NEURALNETWORK");
    const std::string networkType =
        ReadStringValue(in, ReadBlockItem(scratch, in, netdef, false), "NETWORKTYPE");
    const std::string infodef =
        ExpectBlockStart(in, ReadBlockItem(scratch, in, netdef, false), "NETWORKINFORMATION");
    NetworkHeader header = ReadHeader(scratch, in, infodef);
    CompleteHeader(in, header);

    const TNetworkType* type = FindNetworkType(networkType);
    if (type == nullptr) {
        throw Error(Messages::kUnknownNetworkType, in.Position());
    }
    limit.ClaimLayers(*header.numLayers);
    std::unique_ptr<TBasicNetwork> network = type->make(*header.numLayers);
    if (*header.outLayer < 0 || *header.outLayer >= *header.numLayers) {
        throw Error(Messages::kOutputLayerOutside, in.Position());
    }
    network->SetInLayer(*header.inLayer);
    network->SetOutLayer(*header.outLayer);

    BlockItem item = ReadBlockItem(scratch, in, netdef, false);
    for (; IsItem(item, ItemKind::KeyValue, "LAYER");
         item = ReadBlockItem(scratch, in, netdef, false)) {
        LayerBlockReader(scratch, in, *network, header, limit).Read(item);
    }
    for (; IsItem(item, ItemKind::Tag, "CONNECTIONLAYER");
         item = ReadBlockItem(scratch, in, netdef, false)) {
        ReadConnectionLayer(scratch, in, *network, item, limit);
    }
    ExpectBlockEnd(in, item);
    ExpectBlockEnd(in, ReadBlockItem(scratch, in, {}, false));
    // Another kind of network takes the description for the comment it also is.
    if (auto* zorf = dynamic_cast<TZorf*>(network.get()); zorf != nullptr && info) {
        zorf->SetDataInfo(std::move(*info));
    }
    return network;
}

}  // namespace FileTools
