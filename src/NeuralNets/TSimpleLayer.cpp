#include "NeuralNets/TSimpleLayer.h"

TSimpleLayer::TSimpleLayer(TBasicNetwork* owner, std::int32_t number, std::int32_t count)
    : TNeuronArrayLayer(owner, number, count) {}

const char* TSimpleLayer::GetLayerType() const {
    return "Simple";
}

TBasicLayer* TSimpleLayer::Clone(TBasicNetwork* owner) const {
    auto* copy = new TSimpleLayer(owner, layerNum, numNeurons);
    copy->CopyLayerFrom(*this);
    return copy;
}

std::int32_t TSimpleLayer::GetLayerKind() const {
    return 1;
}
