#include "NeuralNets/TGainNeuron.h"

#include "KQmessage/Check.h"

std::int32_t TGainNeuron::GetNumParameters() const {
    return 1;
}

void TGainNeuron::GetParameters(double* parameters) const {
    parameters[0] = gain;
}

void TGainNeuron::SetParameters(const double* parameters) {
    gain = parameters[0];
}

const char* TGainNeuron::GetParameterName(std::int32_t i) const {
    ZORF_ASSERT(i == 0);
    return "Gain";
}

// The gain layer copies gains itself.
void TGainNeuron::CopyParameters(const TBasicNeuron&) {}
