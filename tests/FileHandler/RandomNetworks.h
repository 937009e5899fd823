// Randomly built networks of the three kinds for the network file round-trip tests: random
// layer sizes and kinds, functions per layer or per neuron, gains, matrices of every kind
// with removed and frozen arcs. A fixed seed gives the same sequence of networks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "NeuralNets/TConnectedConnections.h"
#include "NeuralNets/TConnectedNetwork.h"
#include "NeuralNets/TGainLayer.h"
#include "NeuralNets/TPrunedConnections.h"
#include "NeuralNets/TSimpleInputLayer.h"
#include "NeuralNets/TSimpleLayer.h"
#include "Zorf/TZorf.h"

class TRandomNetworks {
  public:
    // With exact values every weight, gain and centre is a multiple of 1/1024 of a few
    // digits, which the file's 15 decimals and 15 significant digits hold exactly; otherwise
    // they are any doubles of their range.
    TRandomNetworks(std::uint32_t seed, bool exactValues) : engine(seed), exact(exactValues) {}

    std::unique_ptr<TBasicNetwork> Next() {
        switch (Below(3)) {
            case 0:
                return Layered(std::make_unique<TBasicNetwork>(Between(2, 5)));
            case 1:
                return Layered(std::make_unique<TConnectedNetwork>(Between(2, 5)));
            default:
                return Fuzzy();
        }
    }

    // Values for the input layer of the network: as many rows as asked.
    std::vector<std::vector<double>> Rows(TBasicNetwork& network, int count) {
        const std::int32_t inputs = network.GetLayer(network.GetInLayer())->GetNumNeurons();
        std::vector<std::vector<double>> rows(static_cast<std::size_t>(count));
        for (std::vector<double>& row : rows) {
            for (std::int32_t i = 0; i < inputs; ++i) {
                row.push_back(Value(-0.5, 1.5));
            }
        }
        return rows;
    }

  private:
    std::mt19937 engine;
    bool exact;

    std::int32_t Below(std::int32_t bound) {
        return static_cast<std::int32_t>(engine() % static_cast<std::uint32_t>(bound));
    }
    std::int32_t Between(std::int32_t low, std::int32_t high) {
        return low + Below(high - low + 1);
    }
    bool Chance(double probability) {
        return static_cast<double>(engine()) < probability * 4294967296.0;
    }
    double Value(double low, double high) {
        if (exact) {
            const auto steps = static_cast<std::int32_t>((high - low) * 1024.0);
            return low + static_cast<double>(Below(steps)) / 1024.0;
        }
        return low + (high - low) * static_cast<double>(engine()) / 4294967296.0;
    }
    template <class T>
    T Pick(std::initializer_list<T> choices) {
        return choices.begin()[Below(static_cast<std::int32_t>(choices.size()))];
    }

    TActFunction PlainFunction() {
        return Pick({ActFunctions::Linear, ActFunctions::SaturatedLinear, ActFunctions::Sigmoid,
                     ActFunctions::Tanh});
    }
    TActFunction GainFunction() {
        return Chance(0.5) ? PlainFunction()
                           : Pick({ActFunctions::LinearGain, ActFunctions::SigmoidGain,
                                   ActFunctions::TanhGain});
    }

    // The input layer at inLayer, below it perhaps a bias neuron, and simple or gain layers
    // with functions per layer or per neuron everywhere else.
    std::unique_ptr<TBasicNetwork> Layered(std::unique_ptr<TBasicNetwork> network) {
        const std::int32_t n = network->GetNumLayers();
        network->SetInLayer(n > 2 && Chance(0.7) ? 1 : 0);
        network->SetOutLayer(Between(network->GetInLayer() + 1, n - 1));
        for (std::int32_t k = 0; k < n; ++k) {
            network->SetLayer(k, MakeLayer(*network, k));
        }
        for (std::int32_t from = 0; from < n; ++from) {
            for (std::int32_t to = 0; to < n; ++to) {
                if (Chance(from < to ? 0.6 : 0.1)) {
                    Connect(*network, from, to);
                }
            }
        }
        return network;
    }

    TBasicLayer* MakeLayer(TBasicNetwork& network, std::int32_t k) {
        if (k == network.GetInLayer()) {
            return new TSimpleInputLayer(&network, k, Between(1, 4));
        }
        if (k < network.GetInLayer() && Chance(0.7)) {
            auto* bias = new TSimpleLayer(&network, k, 1);
            bias->SetActivationFunction(ActFunctions::Bias);
            return bias;
        }
        const std::int32_t size = Chance(0.1) ? 0 : Between(1, 5);
        if (Chance(0.5)) {
            auto* layer = new TSimpleLayer(&network, k, size);
            SetFunctions(*layer, [this] { return PlainFunction(); });
            return layer;
        }
        auto* layer = new TGainLayer(&network, k, size, Value(-2.0, 4.0));
        if (Chance(0.5)) {
            for (std::int32_t i = 0; i < size; ++i) {
                static_cast<TGainNeuron*>(layer->GetNeuron(i))->gain = Value(-2.0, 4.0);
            }
        }
        SetFunctions(*layer, [this] { return GainFunction(); });
        return layer;
    }

    template <class Choose>
    void SetFunctions(TBasicLayer& layer, Choose choose) {
        if (Chance(0.5)) {
            layer.SetActivationFunction(choose());
            return;
        }
        for (std::int32_t i = 0; i < layer.GetNumNeurons(); ++i) {
            layer.GetNeuron(i)->SetActivationFunction(choose());
        }
    }

    // Either kind of matrix in either kind of network; a pruneable one keeps a random share
    // of its arcs, some of them frozen.
    void Connect(TBasicNetwork& network, std::int32_t from, std::int32_t to) {
        if (Chance(0.5)) {
            network.SetConnections(from, to, new TPrunedConnections(&network, from, to));
        } else {
            network.SetConnections(from, to, new TConnectedConnections(&network, from, to));
        }
        TBasicConnections& matrix = network.GetConnections(from, to);
        const bool pruneable = matrix.GetConnectionsNType() == std::string_view("Pruneable");
        const double kept = Pick({1.0, 0.6, 0.3, 0.05});
        const double frozen = Pick({0.0, 0.3});
        for (std::int32_t s = 0; s < network.GetLayer(from)->GetNumNeurons(); ++s) {
            for (std::int32_t t = 0; t < network.GetLayer(to)->GetNumNeurons(); ++t) {
                matrix.GetWeight(s, t) = Value(-4.0, 4.0);
                if (!pruneable) {
                    continue;
                }
                if (!Chance(kept)) {
                    matrix.RemoveArc(s, t);
                } else if (Chance(frozen)) {
                    matrix.Freeze(s, t);
                }
            }
        }
    }

    std::vector<std::int32_t> Counts(std::int32_t low, std::int32_t high) {
        std::vector<std::int32_t> counts(static_cast<std::size_t>(Between(low, high)));
        for (std::int32_t& count : counts) {
            count = Between(2, 4);
        }
        return counts;
    }

    // Distinct centres in [0, 1], ascending within each group of membership functions.
    std::vector<double> Centres(const std::vector<std::int32_t>& counts) {
        std::vector<double> centres;
        for (const std::int32_t count : counts) {
            std::vector<double> group;
            while (static_cast<std::int32_t>(group.size()) < count) {
                const double centre = Value(0.0, 1.0);
                if (std::find(group.begin(), group.end(), centre) == group.end()) {
                    group.push_back(centre);
                }
            }
            std::sort(group.begin(), group.end());
            centres.insert(centres.end(), group.begin(), group.end());
        }
        return centres;
    }

    // Random architecture, centres and rule and action weights; arcs removed from the two
    // pruneable matrices and frozen in all four.
    std::unique_ptr<TBasicNetwork> Fuzzy() {
        const std::vector<std::int32_t> inputs = Counts(1, 4);
        const std::vector<std::int32_t> outputs = Counts(1, 3);
        auto network = std::make_unique<TZorf>(static_cast<std::int32_t>(inputs.size()),
                                               inputs.data(), Between(1, 6), outputs.data(),
                                               static_cast<std::int32_t>(outputs.size()));
        network->SetWeightLayer(1, Centres(inputs));
        network->SetWeightLayer(4, Centres(outputs));
        for (const std::int32_t weightLayer : {2, 3}) {
            std::vector<double> weights = network->GetWeightLayer(weightLayer);
            for (double& weight : weights) {
                weight = Value(-4.0, 4.0);
            }
            network->SetWeightLayer(weightLayer, weights);
        }
        const double kept = Pick({1.0, 0.5, 0.2});
        for (std::int32_t from = 1; from <= 4; ++from) {
            TBasicConnections& matrix = network->GetConnections(from, from + 1);
            const bool pruneable = from == 2 || from == 3;
            for (std::int32_t s = 0; s < network->GetLayer(from)->GetNumNeurons(); ++s) {
                for (std::int32_t t = 0; t < network->GetLayer(from + 1)->GetNumNeurons(); ++t) {
                    if (pruneable && !Chance(kept)) {
                        matrix.RemoveArc(s, t);
                    } else if (matrix.IsValid(s, t) && Chance(0.2)) {
                        matrix.Freeze(s, t);
                    }
                }
            }
        }
        return network;
    }
};
