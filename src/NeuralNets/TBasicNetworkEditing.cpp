// The structural edits of TBasicNetwork: whole layers in and out, single neurons of hidden
// layers in and out, and pruning.
#include "KQmessage/Check.h"
#include "NeuralNets/TBasicNetwork.h"
#include "NeuralNets/TEmptyConnections.h"
#include "NeuralNets/TIterateObj.h"

void TBasicNetwork::InsertLayer(std::int32_t LayerNum, TBasicLayer* layer) {
    TOwned<TBasicLayer> owned(layer);
    if (LayerNum < 0) {
        ZORF_FAIL("LayerNum>=0");
    }
    if (LayerNum > numLayers) {
        ZORF_FAIL("LayerNum<=numLayers");
    }
    ZORF_ASSERT(layer != nullptr && layer->GetNetwork() == this);
    layers.reserve(layers.size() + 1);
    RearrangeMatrices(numLayers + 1, [LayerNum](std::int32_t k) {
        return k == LayerNum ? -1 : k < LayerNum ? k : k - 1;
    });
    layers.insert(layers.begin() + LayerNum, std::move(owned));
    if (inLayer >= LayerNum) {
        ++inLayer;
    }
    if (outLayer >= LayerNum) {
        ++outLayer;
    }
    Renumber();
}

void TBasicNetwork::RemoveLayer(std::int32_t LayerNum) {
    RequireHiddenLayer(LayerNum);
    RearrangeMatrices(numLayers - 1,
                      [LayerNum](std::int32_t k) { return k < LayerNum ? k : k + 1; });
    layers.erase(layers.begin() + LayerNum);
    if (inLayer > LayerNum) {
        --inLayer;
    }
    if (outLayer > LayerNum) {
        --outLayer;
    }
    Renumber();
}

void TBasicNetwork::AddNeuron(std::int32_t LayerNum, std::int32_t node, double low, double high,
                              bool attached) {
    RequireHiddenLayer(LayerNum);
    TBasicLayer& layer = *GetLayer(LayerNum);
    if (node < 0) {
        ZORF_FAIL("node>=0");
    }
    if (node > layer.GetNumNeurons()) {
        ZORF_FAIL("node<=GetNumNeurons()");
    }
    layer.InsertNeuron(node);
    layer.SetNumNeurons(layer.GetNumNeurons() + 1);
    // The order fixes which random number lands on which new weight.
    ForEachMatrixOf(
        LayerNum,
        [&](TBasicConnections& out) { out.InsertSourceNeuron(node, low, high, attached); },
        [&](TBasicConnections& in) { in.InsertTargetNeuron(node, low, high, attached); });
    RenumberNeurons(LayerNum);
}

void TBasicNetwork::RemoveNeuron(std::int32_t LayerNum, std::int32_t node) {
    RequireHiddenLayer(LayerNum);
    TBasicLayer& layer = *GetLayer(LayerNum);
    if (node < 0) {
        ZORF_FAIL("node>=0");
    }
    if (node >= layer.GetNumNeurons()) {
        ZORF_FAIL("node<GetNumNeurons()");
    }
    layer.DeleteNeuron(node);
    layer.SetNumNeurons(layer.GetNumNeurons() - 1);
    ForEachMatrixOf(
        LayerNum, [node](TBasicConnections& out) { out.RemoveSourceNeuron(node); },
        [node](TBasicConnections& in) { in.RemoveTargetNeuron(node); });
    RenumberNeurons(LayerNum);
}

// Neurons go from the last down, so a removal shifts none still to be looked at, and layers
// from the top down, so arcs into neurons removed higher up no longer count.
std::int32_t TBasicNetwork::PruneNeurons() {
    TIterateObjPruneNode visitor;
    std::int32_t removed = 0;
    for (std::int32_t k = outLayer - 1; k >= 0; --k) {
        if (k == inLayer) {
            continue;
        }
        for (std::int32_t n = GetLayer(k)->GetNumNeurons() - 1; n >= 0; --n) {
            visitor.count = 0;
            IterateOutArcs(visitor, k, n, FMaskExists);
            if (visitor.count == 0) {
                RemoveNeuron(k, n);
                ++removed;
            }
        }
    }
    return removed;
}

void TBasicNetwork::RequireHiddenLayer(std::int32_t LayerNum) const {
    if (LayerNum < 0) {
        ZORF_FAIL("LayerNum>=0");
    }
    if (LayerNum >= numLayers) {
        ZORF_FAIL("LayerNum<numLayers");
    }
    if (LayerNum == inLayer) {
        ZORF_FAIL("LayerNum!=inLayer");
    }
    if (LayerNum == outLayer) {
        ZORF_FAIL("LayerNum!=outLayer");
    }
}

// Placeholders are made before any matrix moves, so that a failed allocation leaves the
// network as it was.
template <class OldSlotOf>
void TBasicNetwork::RearrangeMatrices(std::int32_t n, OldSlotOf oldSlotOf) {
    const auto count = static_cast<std::size_t>(n);
    std::vector<TOwned<TBasicConnections>> table(count * count);
    for (std::int32_t to = 0; to < n; ++to) {
        for (std::int32_t from = 0; from < n; ++from) {
            if (oldSlotOf(to) < 0 || oldSlotOf(from) < 0) {
                table[to * count + from].reset(new TEmptyConnections(this, from, to));
            }
        }
    }
    for (std::int32_t to = 0; to < n; ++to) {
        for (std::int32_t from = 0; from < n; ++from) {
            if (oldSlotOf(to) >= 0 && oldSlotOf(from) >= 0) {
                table[to * count + from] = std::move(Slot(oldSlotOf(from), oldSlotOf(to)));
            }
        }
    }
    priv_conns_index.clear();
    priv_conns = std::move(table);
    numLayers = n;
    IndexConnections();
}

// For the layer's own pair both calls reach the same matrix, source column first.
template <class OnSource, class OnTarget>
void TBasicNetwork::ForEachMatrixOf(std::int32_t LayerNum, OnSource onSource, OnTarget onTarget) {
    for (std::int32_t to = 0; to < numLayers; ++to) {
        onSource(*Slot(LayerNum, to));
        onTarget(*Slot(to, LayerNum));
    }
}

void TBasicNetwork::Renumber() {
    for (std::int32_t to = 0; to < numLayers; ++to) {
        for (std::int32_t from = 0; from < numLayers; ++from) {
            TBasicConnections& matrix = *Slot(from, to);
            matrix.SetFromLayer(from);
            matrix.SetToLayer(to);
        }
    }
    for (std::int32_t k = 0; k < numLayers; ++k) {
        GetLayer(k)->SetLayerNum(k);
        RenumberNeurons(k);
    }
}

void TBasicNetwork::RenumberNeurons(std::int32_t LayerNum) {
    TBasicLayer& layer = *GetLayer(LayerNum);
    for (std::int32_t i = 0; i < layer.GetNumNeurons(); ++i) {
        TBasicNeuron& neuron = *layer.GetNeuron(i);
        neuron.layerNum = LayerNum;
        neuron.index = i;
    }
}
