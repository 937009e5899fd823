#include "NeuralNets/TErrorObj.h"

#include <cmath>
#include <string_view>
#include <vector>

#include "KQmessage/Check.h"
#include "KQmessage/KQML.h"
#include "KQmessage/StrCaseCmp.h"

// A penalty's terms, one entry per name: its keys with the values taken when absent, its value
// over the weights and its derivative by one weight, both from the keys' values in order.
struct TPenaltyKind {
    struct TKey {
        std::string_view name;
        double fallback;
    };
    std::string_view name;
    std::vector<TKey> keys;
    double (*value)(std::int32_t n, const double* weights, const std::array<double, 3>& keys,
                    double scale);
    double (*derivative)(double weight, const std::array<double, 3>& keys);
};

namespace {

double QuadValue(std::int32_t n, const double* weights, const std::array<double, 3>& keys,
                 double scale) {
    const auto [epsilon1, epsilon2, beta] = keys;
    double sum = 0.0;
    for (std::int32_t i = 0; i < n; ++i) {
        const double d = weights[i] * weights[i];
        sum += scale * ((epsilon1 * beta * d) / (beta * d + 1) + epsilon2 * d);
    }
    return sum;
}

double QuadDerivative(double w, const std::array<double, 3>& keys) {
    const auto [epsilon1, epsilon2, beta] = keys;
    const double denominator = beta * w * w + 1.0;
    return epsilon1 * (2.0 * beta * w) / (denominator * denominator) + 2.0 * epsilon2 * w;
}

// The scale is not applied: forgetting works on the weights' sizes alone.
double LwfValue(std::int32_t n, const double* weights, const std::array<double, 3>& keys, double) {
    double sum = 0.0;
    for (std::int32_t i = 0; i < n; ++i) {
        sum += std::fabs(weights[i]);
    }
    return keys[0] * keys[1] * sum;
}

double LwfDerivative(double w, const std::array<double, 3>& keys) {
    const double rate = keys[0] * keys[1];
    return w > 0.0 ? rate : (w < 0.0 ? -rate : 0.0);
}

// "NONE" has no terms; it is a kind so that its name and keys are known like the others'.
const std::array<TPenaltyKind, 3>& Kinds() {
    static const std::array<TPenaltyKind, 3> kinds = {{
        {"NONE", {}, nullptr, nullptr},
        {"QUADPENALTY",
         {{"EPSILON1", 0.0}, {"EPSILON2", 0.0}, {"BETA", 1.0}},
         QuadValue,
         QuadDerivative},
        {"LWF", {{"LEARNINGRATE", 0.0}, {"FORGETTINGRATE", 0.0}}, LwfValue, LwfDerivative},
    }};
    return kinds;
}

const TPenaltyKind* FindKind(std::string_view name) {
    for (const TPenaltyKind& kind : Kinds()) {
        if (KQML::strcasecmp(name, kind.name) == 0) {
            return &kind;
        }
    }
    return nullptr;
}

}  // namespace

TPenalty::TPenalty(const TKQstructure* settings) {
    if (settings == nullptr) {
        return;
    }
    const TPenaltyKind* found = FindKind(settings->Head());
    if (found == nullptr) {
        ZORF_REFUSE("false");
    }
    if (found->value == nullptr) {
        return;
    }
    for (std::size_t k = 0; k < found->keys.size(); ++k) {
        const TKQstructure* value = settings->FindValue(found->keys[k].name);
        values[k] = value == nullptr ? found->keys[k].fallback : RequireReal(value->Head());
    }
    kind = found;
}

double TPenalty::Value(std::int32_t n, const double* weights, double scale) const {
    return kind == nullptr ? 0.0 : kind->value(n, weights, values, scale);
}

double TPenalty::Derivative(double weight) const {
    return kind == nullptr ? 0.0 : kind->derivative(weight, values);
}

std::optional<std::vector<std::string_view>> TPenalty::KeysOf(std::string_view name) {
    const TPenaltyKind* found = FindKind(name);
    if (found == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string_view> keys;
    for (const TPenaltyKind::TKey& key : found->keys) {
        keys.push_back(key.name);
    }
    return keys;
}

double TErrorObj::ComputePenalty(std::int32_t n, const double* weights, const TKQstructure* penalty,
                                 double scale) const {
    return TPenalty(penalty).Value(n, weights, scale);
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
    AddPenalty(n, weights, TPenalty(penalty));
}

void TErrorRMSObj::AddPenalty(std::int32_t n, const double* weights, const TPenalty& penalty) {
    errorSum += penalty.Value(n, weights, 1.0);
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
    AddPenalty(n, weights, TPenalty(penalty));
}

void TErrorCrossEntropyObj::AddPenalty(std::int32_t n, const double* weights,
                                       const TPenalty& penalty) {
    errorSum += penalty.Value(n, weights, 1.0);
}
