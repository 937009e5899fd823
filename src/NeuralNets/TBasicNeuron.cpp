#include "NeuralNets/TBasicNeuron.h"

#include "KQmessage/Check.h"
#include "NeuralNets/ActFunctions.h"
#include "NeuralNets/TBasicLayer.h"

TBasicNeuron::TBasicNeuron() : actFunction(ActFunctions::Error) {}

void TBasicNeuron::Activate(double netInput) {
    actFunction(*this, netInput);
}

std::int32_t TBasicNeuron::GetNumParameters() const {
    return 0;
}

void TBasicNeuron::GetParameters(double*) const {}

void TBasicNeuron::SetParameters(const double*) {}

const char* TBasicNeuron::GetParameterName(std::int32_t) const {
    ZORF_FAIL("false");
}

void TBasicNeuron::CopyParameters(const TBasicNeuron&) {}

void TBasicNeuron::SetActivationFunction(TActFunction function) {
    ActFunctions::RequireSuitable(function, *this, "TBasicNeuron::SetActivationFunction");
    actFunction = function;
    if (layer != nullptr) {
        layer->ForgetCommonFunction();
    }
}
