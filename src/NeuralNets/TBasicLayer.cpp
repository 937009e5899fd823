#include "NeuralNets/TBasicLayer.h"

#include <algorithm>
#include <cstdio>

#include "KQmessage/Check.h"
#include "NeuralNets/ActFunctions.h"
#include "NeuralNets/TBasicConnections.h"
#include "NeuralNets/TBasicNetwork.h"

TBasicLayer::TBasicLayer(TBasicNetwork* owner, std::int32_t number, std::int32_t count)
    : network(owner),
      numNeurons(count),
      layerNum(number),
      values(static_cast<std::size_t>(count), 0.0) {}

TBasicLayer::~TBasicLayer() = default;

void TBasicLayer::ApplyActivation(const double* netInputs) {
    for (std::int32_t i = 0; i < numNeurons; ++i) {
        TBasicNeuron& neuron = *GetNeuron(i);
        const TActFunction function = actFunction != nullptr ? actFunction : neuron.actFunction;
        function(neuron, netInputs[i]);
    }
}

void TBasicLayer::Compute(const double* inputRow) {
    LoadOrClear(inputRow, false, "TSimpleLayer");
    for (std::int32_t from = 0; from < layerNum; ++from) {
        network->GetConnections(from, layerNum).AddWeightedInputs(values.data());
    }
    ApplyActivation(values.data());
}

void TBasicLayer::LoadOrClear(const double* inputRow, bool expectInputPosition,
                              const char* className) {
    const bool atInput = layerNum == network->GetInLayer();
    if (atInput != expectInputPosition) {
        std::fprintf(stderr, "!Warning: changed input layer (%s)\n", className);
    }
    if (atInput) {
        std::copy(inputRow, inputRow + numNeurons, values.begin());
    } else {
        std::fill(values.begin(), values.begin() + numNeurons, 0.0);
    }
}

void TBasicLayer::Destroy() {
    delete this;
}

void TBasicLayer::InsertNeuron(std::int32_t) {
    ZORF_FAIL("false");
}

void TBasicLayer::SetActivationFunction(TActFunction function) {
    for (std::int32_t i = 0; i < numNeurons; ++i) {
        ActFunctions::RequireSuitable(function, *GetNeuron(i),
                                      "TBasicLayer::SetActivationFunction");
    }
    actFunction = function;
    for (std::int32_t i = 0; i < numNeurons; ++i) {
        GetNeuron(i)->actFunction = function;
    }
}

TActFunction TBasicLayer::GetActivationFunction() {
    if (actFunction != nullptr) {
        return actFunction;
    }
    if (numNeurons == 0) {
        actFunction = ActFunctions::Null;
        return actFunction;
    }
    const TActFunction first = GetNeuron(0)->actFunction;
    for (std::int32_t i = 1; i < numNeurons; ++i) {
        if (GetNeuron(i)->actFunction != first) {
            return nullptr;
        }
    }
    actFunction = first;
    return actFunction;
}

void TBasicLayer::GetDimensions(std::int32_t* parameters) const {
    if (!dimensions.empty()) {
        if (parameters == nullptr) {
            ZORF_FAIL("parameters != NULL");
        }
        std::copy(dimensions.begin(), dimensions.end(), parameters);
    }
}

void TBasicLayer::SetDimensions(std::int32_t count, const std::int32_t* newDimensions) {
    if (count > 0) {
        if (newDimensions == nullptr) {
            ZORF_FAIL("dimensions != NULL");
        }
        dimensions.assign(newDimensions, newDimensions + count);
    } else {
        dimensions.clear();
    }
}

void TBasicLayer::CopyBaseFrom(const TBasicLayer& source) {
    values.assign(static_cast<std::size_t>(source.numNeurons), 0.0);
    dimensions = source.dimensions;
    actFunction = source.actFunction;
}
