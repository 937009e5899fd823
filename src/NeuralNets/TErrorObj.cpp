#include "NeuralNets/TErrorObj.h"

#include <cmath>
#include <string_view>

#include "KQmessage/Check.h"
#include "KQmessage/KQML.h"
#include "KQmessage/StrCaseCmp.h"

namespace {

// A number key of the penalty, or its default when absent.
double KeyValue(const TKQstructure& penalty, std::string_view key, double fallback) {
    const TKQstructure* value = penalty.FindValue(key);
    return value == nullptr ? fallback : RequireReal(value->Head());
}

bool IsNamed(const TKQstructure& penalty, std::string_view name) {
    return KQML::strcasecmp(penalty.Head(), name) == 0;
}

double QuadPenalty(std::int32_t n, const double* weights, const TKQstructure& penalty,
                   double scale) {
    const double epsilon1 = KeyValue(penalty, "EPSILON1", 0.0);
    const double epsilon2 = KeyValue(penalty, "EPSILON2", 0.0);
    const double beta = KeyValue(penalty, "BETA", 1.0);
    double sum = 0.0;
    for (std::int32_t i = 0; i < n; ++i) {
        const double d = weights[i] * weights[i];
        sum += scale * ((epsilon1 * beta * d) / (beta * d + 1) + epsilon2 * d);
    }
    return sum;
}

double LwfPenalty(std::int32_t n, const double* weights, const TKQstructure& penalty) {
    double sum = 0.0;
    for (std::int32_t i = 0; i < n; ++i) {
        sum += std::fabs(weights[i]);
    }
    const double learningRate = KeyValue(penalty, "LEARNINGRATE", 0.0);
    const double forgettingRate = KeyValue(penalty, "FORGETTINGRATE", 0.0);
    return learningRate * forgettingRate * sum;
}

}  // namespace

double TErrorObj::ComputePenalty(std::int32_t n, const double* weights, const TKQstructure* penalty,
                                 double scale) const {
    if (penalty == nullptr || IsNamed(*penalty, "NONE")) {
        return 0.0;
    }
    if (IsNamed(*penalty, "QUADPENALTY")) {
        return QuadPenalty(n, weights, *penalty, scale);
    }
    if (IsNamed(*penalty, "LWF")) {
        return LwfPenalty(n, weights, *penalty);
    }
    ZORF_REFUSE("false");
}

void TErrorRMSObj::Reset() {
    numPatterns = 0;
    errorSum = 0.0;
}

void TErrorRMSObj::AddPattern(const double* expected, const double* generated) {
    for (std::int32_t i = 0; i < numOutputs; ++i) {
        const double difference = expected[i] - generated[i];
        errorSum += difference * difference;
    }
    ++numPatterns;
}

double TErrorRMSObj::GetError() {
    if (numPatterns == 0) {
        return 0.0;
    }
    return std::sqrt(errorSum / numOutputs / numPatterns);
}

void TErrorRMSObj::AddPenalty(std::int32_t n, const double* weights, const TKQstructure* penalty) {
    errorSum += ComputePenalty(n, weights, penalty, 1.0);
}

void TErrorCrossEntropyObj::Reset() {
    numPatterns = 0;
    errorSum = 0.0;
}

void TErrorCrossEntropyObj::AddPattern(const double* expected, const double* generated) {
    for (std::int32_t i = 0; i < numOutputs; ++i) {
        const double y = expected[i];
        const double o = generated[i];
        if (o != 1.0) {
            double term = -y * std::log(o);
            term -= std::log(1.0 - o) * (1.0 - y);
            errorSum += term;
        } else if (y != 1.0) {
            errorSum += 1000000.0;
        }
    }
    ++numPatterns;
}

double TErrorCrossEntropyObj::GetError() {
    return errorSum;
}

void TErrorCrossEntropyObj::AddPenalty(std::int32_t n, const double* weights,
                                       const TKQstructure* penalty) {
    errorSum += ComputePenalty(n, weights, penalty, 1.0);
}
