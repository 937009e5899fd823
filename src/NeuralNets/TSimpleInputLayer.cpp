#include "NeuralNets/TSimpleInputLayer.h"

TSimpleInputLayer::TSimpleInputLayer(TBasicNetwork* owner, std::int32_t number, std::int32_t count)
    : TSimpleLayer(owner, number, count) {
    SetActivationFunction(ActFunctions::Linear);
}

void TSimpleInputLayer::Compute(const double* inputRow) {
    LoadOrClear(inputRow, true, "TSimpleInputLayer");
}

const char* TSimpleInputLayer::GetLayerType() const {
    return "Input";
}

TBasicLayer* TSimpleInputLayer::Clone(TBasicNetwork* owner) const {
    auto* copy = new TSimpleInputLayer(owner, layerNum, numNeurons);
    copy->CopyLayerFrom(*this);
    return copy;
}
