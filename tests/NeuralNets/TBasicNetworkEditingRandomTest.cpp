// Long random sequences of edits on random networks, each followed by the invariants and a
// comparison with a network built from scratch out of a model that went through the same
// edits on plain arrays.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "NetworkInvariants.h"
#include "NeuralNets/PseudoRandom.h"
#include "NeuralNets/TConnectedNetwork.h"
#include "NeuralNets/TGainLayer.h"
#include "NeuralNets/TSimpleInputLayer.h"

namespace {

struct LayerModel {
    const TBasicLayer* object = nullptr;
    std::string type;
    TActFunction function = nullptr;
    double gain = 1.0;
    std::int32_t size = 0;
};

// Weights and flags of arc (s, t) at [t][s].
struct MatrixModel {
    const TBasicConnections* object = nullptr;
    std::vector<std::vector<double>> weights;
    std::vector<std::vector<std::uint8_t>> flags;
};

using Pair = std::pair<std::int32_t, std::int32_t>;

// What the network should be, on plain arrays. Only connected pairs have a matrix.
struct NetworkModel {
    bool fullyConnected = false;
    std::vector<LayerModel> layers;
    std::int32_t inLayer = 0;
    std::int32_t outLayer = 0;
    std::map<Pair, MatrixModel> matrices;

    std::int32_t Count() const { return static_cast<std::int32_t>(layers.size()); }
    bool IsHidden(std::int32_t k) const { return k != inLayer && k != outLayer; }

    // Renames the pairs: old layer k becomes newOf(k), or goes when that is -1.
    template <class NewOf>
    void MovePairs(NewOf newOf) {
        std::map<Pair, MatrixModel> moved;
        for (auto& [pair, matrix] : matrices) {
            if (newOf(pair.first) >= 0 && newOf(pair.second) >= 0) {
                moved[{newOf(pair.first), newOf(pair.second)}] = std::move(matrix);
            }
        }
        matrices = std::move(moved);
    }

    void InsertLayer(std::int32_t p, LayerModel layer) {
        layers.insert(layers.begin() + p, std::move(layer));
        MovePairs([p](std::int32_t k) { return k < p ? k : k + 1; });
        inLayer += inLayer >= p ? 1 : 0;
        outLayer += outLayer >= p ? 1 : 0;
    }

    void RemoveLayer(std::int32_t p) {
        layers.erase(layers.begin() + p);
        MovePairs([p](std::int32_t k) { return k == p ? -1 : k < p ? k : k - 1; });
        inLayer -= inLayer > p ? 1 : 0;
        outLayer -= outLayer > p ? 1 : 0;
    }

    // New arcs draw their weights from the same generator as the network, in the order the
    // network must use: for each layer in ascending order the column of the matrix leaving
    // the edited layer, then the row of the one entering it.
    void AddNeuron(std::int32_t L, std::int32_t node, double low, double high, bool attached) {
        // A new gain neuron copies neuron 0's gain, the default one in an empty layer.
        if (layers[L].size == 0) {
            layers[L].gain = 1.0;
        }
        layers[L].size += 1;
        const std::uint8_t flags = attached ? FMaskAll : 0;
        const auto draw = [&] { return attached ? PseudoRandom::Weight(low, high) : 0.0; };
        for (std::int32_t to = 0; to < Count(); ++to) {
            if (auto out = matrices.find({L, to}); out != matrices.end()) {
                for (std::size_t t = 0; t < out->second.weights.size(); ++t) {
                    out->second.weights[t].insert(out->second.weights[t].begin() + node, draw());
                    out->second.flags[t].insert(out->second.flags[t].begin() + node, flags);
                }
            }
            if (auto in = matrices.find({to, L}); in != matrices.end()) {
                std::vector<double> row(static_cast<std::size_t>(layers[to].size));
                std::generate(row.begin(), row.end(), draw);
                in->second.weights.insert(in->second.weights.begin() + node, row);
                in->second.flags.insert(in->second.flags.begin() + node,
                                        std::vector<std::uint8_t>(row.size(), flags));
            }
        }
    }

    void RemoveNeuron(std::int32_t L, std::int32_t node) {
        layers[L].size -= 1;
        for (auto& [pair, matrix] : matrices) {
            if (pair.first == L) {
                for (std::size_t t = 0; t < matrix.weights.size(); ++t) {
                    matrix.weights[t].erase(matrix.weights[t].begin() + node);
                    matrix.flags[t].erase(matrix.flags[t].begin() + node);
                }
            }
            if (pair.second == L) {
                matrix.weights.erase(matrix.weights.begin() + node);
                matrix.flags.erase(matrix.flags.begin() + node);
            }
        }
    }

    bool HasOutgoingArc(std::int32_t k, std::int32_t n) const {
        for (const auto& [pair, matrix] : matrices) {
            if (pair.first != k) {
                continue;
            }
            for (const auto& row : matrix.flags) {
                if ((row[n] & FMaskExists) != 0) {
                    return true;
                }
            }
        }
        return false;
    }

    std::int32_t PruneNeurons() {
        std::int32_t removed = 0;
        for (std::int32_t k = outLayer - 1; k >= 0; --k) {
            for (std::int32_t n = layers[k].size - 1; n >= 0 && k != inLayer; --n) {
                if (!HasOutgoingArc(k, n)) {
                    RemoveNeuron(k, n);
                    ++removed;
                }
            }
        }
        return removed;
    }
};

// Builds the layers of the model afresh for the network.
TBasicLayer* NewLayer(TBasicNetwork& network, std::int32_t k, const LayerModel& model) {
    TBasicLayer* layer = nullptr;
    if (model.type == "Input") {
        return new TSimpleInputLayer(&network, k, model.size);
    }
    if (model.type == "Gain") {
        layer = new TGainLayer(&network, k, model.size, model.gain);
    } else {
        layer = new TSimpleLayer(&network, k, model.size);
    }
    layer->SetActivationFunction(model.function);
    return layer;
}

std::unique_ptr<TBasicNetwork> Build(const NetworkModel& model) {
    std::unique_ptr<TBasicNetwork> network;
    if (model.fullyConnected) {
        network = std::make_unique<TConnectedNetwork>(model.Count());
    } else {
        network = std::make_unique<TBasicNetwork>(model.Count());
    }
    network->SetInLayer(model.inLayer);
    network->SetOutLayer(model.outLayer);
    for (std::int32_t k = 0; k < model.Count(); ++k) {
        network->SetLayer(k, NewLayer(*network, k, model.layers[k]));
    }
    for (const auto& [pair, matrix] : model.matrices) {
        network->ConnectLayers(pair.first, pair.second);
        TBasicConnections* built = &network->GetConnections(pair.first, pair.second);
        for (std::size_t t = 0; t < matrix.weights.size(); ++t) {
            for (std::size_t s = 0; s < matrix.weights[t].size(); ++s) {
                const auto si = static_cast<std::int32_t>(s);
                const auto ti = static_cast<std::int32_t>(t);
                built->GetWeight(si, ti) = matrix.weights[t][s];
                built->SetFlags(si, ti, matrix.flags[t][s]);
            }
        }
    }
    return network;
}

class RandomEdits {
  public:
    explicit RandomEdits(std::uint32_t seed) : random(seed) {}

    void RunOne(std::int32_t edits) {
        MakeNetwork();
        ExpectMatchesModel("new network");
        for (std::int32_t i = 0; i < edits && !testing::Test::HasFailure(); ++i) {
            ExpectMatchesModel(Edit());
        }
    }

  private:
    std::mt19937 random;
    NetworkModel model;
    std::unique_ptr<TBasicNetwork> network;

    std::int32_t Uniform(std::int32_t low, std::int32_t high) {
        return std::uniform_int_distribution<std::int32_t>(low, high)(random);
    }
    bool Chance(double p) { return std::bernoulli_distribution(p)(random); }
    double Real(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    }

    LayerModel RandomLayer() {
        static const TActFunction plain[] = {ActFunctions::Linear, ActFunctions::Sigmoid,
                                             ActFunctions::Tanh, ActFunctions::Bias};
        static const TActFunction withGain[] = {ActFunctions::LinearGain, ActFunctions::SigmoidGain,
                                                ActFunctions::Tanh};
        LayerModel layer;
        layer.size = Uniform(0, 3);
        if (Chance(0.3)) {
            layer.type = "Gain";
            layer.gain = Real(0.5, 2.0);
            layer.function = withGain[Uniform(0, 2)];
        } else {
            layer.type = "Simple";
            layer.function = plain[Uniform(0, 3)];
        }
        return layer;
    }

    void Connect(std::int32_t from, std::int32_t to) {
        if (model.matrices.count({from, to}) != 0) {
            return;
        }
        network->ConnectLayers(from, to);
        TBasicConnections& matrix = network->GetConnections(from, to);
        MatrixModel& record = model.matrices[{from, to}];
        record.object = &matrix;
        record.weights.resize(static_cast<std::size_t>(model.layers[to].size));
        record.flags.resize(record.weights.size());
        for (std::int32_t t = 0; t < model.layers[to].size; ++t) {
            for (std::int32_t s = 0; s < model.layers[from].size; ++s) {
                static const std::uint8_t flags[] = {0, FMaskExists, FMaskAll, FMaskAll};
                matrix.GetWeight(s, t) = Real(-1.0, 1.0);
                if (!model.fullyConnected) {
                    matrix.SetFlags(s, t, flags[Uniform(0, 3)]);
                }
                record.weights[t].push_back(matrix.GetWeight(s, t));
                record.flags[t].push_back(matrix.GetFlags(s, t));
            }
        }
    }

    void MakeNetwork() {
        model = NetworkModel{};
        model.fullyConnected = Chance(0.5);
        const std::int32_t count = Uniform(2, 6);
        model.inLayer = Uniform(0, count - 1);
        do {
            model.outLayer = Uniform(0, count - 1);
        } while (model.outLayer == model.inLayer);
        for (std::int32_t k = 0; k < count; ++k) {
            model.layers.push_back(k == model.inLayer
                                       ? LayerModel{nullptr, "Input", nullptr, 1.0, Uniform(1, 3)}
                                       : RandomLayer());
        }
        network = Build(model);
        for (std::int32_t k = 0; k < count; ++k) {
            model.layers[k].object = network->GetLayer(k);
        }
        for (std::int32_t to = 0; to < count; ++to) {
            for (std::int32_t from = 0; from < count; ++from) {
                if (Chance(from < to ? 0.6 : 0.15)) {
                    Connect(from, to);
                }
            }
        }
    }

    std::vector<std::int32_t> HiddenLayers(bool withNeurons) const {
        std::vector<std::int32_t> hidden;
        for (std::int32_t k = 0; k < model.Count(); ++k) {
            if (model.IsHidden(k) && (!withNeurons || model.layers[k].size > 0)) {
                hidden.push_back(k);
            }
        }
        return hidden;
    }

    std::int32_t Pick(const std::vector<std::int32_t>& choices) {
        return choices[static_cast<std::size_t>(
            Uniform(0, static_cast<std::int32_t>(choices.size()) - 1))];
    }

    // One random edit, applied to the network and the model; returns its description.
    std::string Edit() {
        switch (Uniform(0, 5)) {
            case 0:
                return InsertLayer();
            case 1:
                return RemoveLayer();
            case 2:
            case 3:
                return AddNeuron();
            case 4:
                return RemoveNeuron();
            default:
                return Prune();
        }
    }

    std::string InsertLayer() {
        if (model.Count() >= 8) {
            return RemoveLayer();
        }
        const std::int32_t p = Uniform(0, model.Count());
        LayerModel layer = RandomLayer();
        TBasicLayer* object = NewLayer(*network, p, layer);
        layer.object = object;
        network->InsertLayer(p, object);
        model.InsertLayer(p, layer);
        for (std::int32_t k = 0; k < model.Count(); ++k) {
            if (Chance(0.3)) {
                Connect(k, p);
            }
            if (Chance(0.3)) {
                Connect(p, k);
            }
        }
        return "InsertLayer " + std::to_string(p);
    }

    std::string RemoveLayer() {
        const std::vector<std::int32_t> hidden = HiddenLayers(false);
        if (hidden.empty() || model.Count() <= 3) {
            return InsertLayer();
        }
        const std::int32_t p = Pick(hidden);
        network->RemoveLayer(p);
        model.RemoveLayer(p);
        return "RemoveLayer " + std::to_string(p);
    }

    std::string AddNeuron() {
        const std::vector<std::int32_t> hidden = HiddenLayers(false);
        if (hidden.empty()) {
            return InsertLayer();
        }
        const std::int32_t k = Pick(hidden);
        const std::int32_t node = Uniform(0, model.layers[k].size);
        const bool attached = model.fullyConnected || Chance(0.5);
        const double low = Real(-2.0, 0.0);
        const double high = Chance(0.1) ? low : Real(0.0, 2.0);
        const auto seed = static_cast<std::uint32_t>(random());
        PseudoRandom::Seed(seed);
        model.AddNeuron(k, node, low, high, attached);
        PseudoRandom::Seed(seed);
        network->AddNeuron(k, node, low, high, attached);
        return "AddNeuron " + std::to_string(k) + " " + std::to_string(node);
    }

    std::string RemoveNeuron() {
        const std::vector<std::int32_t> hidden = HiddenLayers(true);
        if (hidden.empty()) {
            return AddNeuron();
        }
        const std::int32_t k = Pick(hidden);
        const std::int32_t node = Uniform(0, model.layers[k].size - 1);
        network->RemoveNeuron(k, node);
        model.RemoveNeuron(k, node);
        return "RemoveNeuron " + std::to_string(k) + " " + std::to_string(node);
    }

    std::string Prune() {
        const std::int32_t expected = model.PruneNeurons();
        EXPECT_EQ(network->PruneNeurons(), expected);
        return "PruneNeurons";
    }

    void ExpectMatchesModel(const std::string& edit) {
        SCOPED_TRACE(edit);
        ExpectConsistentNumbers(*network);
        ASSERT_EQ(network->GetNumLayers(), model.Count());
        EXPECT_EQ(network->GetInLayer(), model.inLayer);
        EXPECT_EQ(network->GetOutLayer(), model.outLayer);
        for (std::int32_t k = 0; k < model.Count(); ++k) {
            EXPECT_EQ(network->GetLayer(k), model.layers[k].object) << k;
            EXPECT_EQ(network->GetLayer(k)->GetNumNeurons(), model.layers[k].size) << k;
        }
        for (std::int32_t to = 0; to < model.Count(); ++to) {
            for (std::int32_t from = 0; from < model.Count(); ++from) {
                const auto found = model.matrices.find({from, to});
                const TBasicConnections& matrix = network->GetConnections(from, to);
                if (found == model.matrices.end()) {
                    EXPECT_FALSE(matrix.IsConnected()) << from << " -> " << to;
                } else {
                    EXPECT_EQ(&matrix, found->second.object) << from << " -> " << to;
                }
            }
        }
        ExpectSameAsRebuilt();
    }

    // The same weights in the same order for both masks (so the same flags too), and bit for
    // bit the same values in every layer for a few rows.
    void ExpectSameAsRebuilt() {
        const std::unique_ptr<TBasicNetwork> rebuilt = Build(model);
        for (std::int32_t mask : {FMaskExists, FMaskAll}) {
            const std::int32_t count = rebuilt->GetNumWeights(mask);
            ASSERT_EQ(network->GetNumWeights(mask), count);
            std::vector<double> expected(static_cast<std::size_t>(count));
            std::vector<double> actual(expected.size());
            EXPECT_EQ(rebuilt->GetWeights(expected.data(), mask), count);
            EXPECT_EQ(network->GetWeights(actual.data(), mask), count);
            EXPECT_EQ(actual, expected);
        }
        std::vector<double> input(static_cast<std::size_t>(model.layers[model.inLayer].size));
        std::vector<double> expected(static_cast<std::size_t>(model.layers[model.outLayer].size));
        std::vector<double> actual(expected.size());
        for (std::int32_t row = 0; row < 3; ++row) {
            for (double& value : input) {
                value = Real(-3.0, 3.0);
            }
            rebuilt->Propagate(input.data(), expected.data());
            network->Propagate(input.data(), actual.data());
            EXPECT_EQ(actual, expected);
            for (std::int32_t k = 0; k < model.Count(); ++k) {
                const double* values = network->GetLayer(k)->GetValues();
                const double* reference = rebuilt->GetLayer(k)->GetValues();
                EXPECT_TRUE(std::equal(values, values + model.layers[k].size, reference)) << k;
            }
        }
    }
};

TEST(TBasicNetworkEditingRandom, LongEditSequencesKeepEveryInvariant) {
    RandomEdits edits(20240611U);
    for (std::int32_t run = 0; run < 25 && !HasFailure(); ++run) {
        SCOPED_TRACE("network " + std::to_string(run));
        edits.RunOne(40);
    }
}

}  // namespace
