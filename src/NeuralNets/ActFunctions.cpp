#include "NeuralNets/ActFunctions.h"

#include <atomic>
#include <cmath>

#include "KQmessage/Check.h"
#include "KQmessage/KQML.h"
#include "KQmessage/StrCaseCmp.h"
#include "KQmessage/TException.h"
#include "NeuralNets/Kernels/SigmoidKernel.h"
#include "NeuralNets/TGainNeuron.h"

namespace {

void NoConditionNeuron(TBasicNeuron&, double) {
    ZORF_REFUSE("typeid(neuron) == typeid(TConditionNeuron)");
}

std::atomic<TActFunction> conditionRule{NoConditionNeuron};

}  // namespace

namespace ActFunctions {

void ZorfCondition(TBasicNeuron& neuron, double netInput) {
    conditionRule.load(std::memory_order_acquire)(neuron, netInput);
}

void SetConditionRule(TActFunction rule) {
    conditionRule.store(rule, std::memory_order_release);
}

namespace {

double GainOf(const TBasicNeuron& neuron) {
    // Gain functions are refused on other neurons when they are assigned.
    return static_cast<const TGainNeuron&>(neuron).gain;
}

void Store(TBasicNeuron& neuron, long double output) {
    *neuron.value = static_cast<double>(output);
}

}  // namespace

void Error(TBasicNeuron&, double) {
    ZORF_FAIL("false");
}

void Null(TBasicNeuron&, double) {
    ZORF_FAIL("false");
}

void Cog(TBasicNeuron&, double) {
    ZORF_FAIL("false");
}

void Bias(TBasicNeuron& neuron, double) {
    *neuron.value = 1.0;
}

void Linear(TBasicNeuron& neuron, double netInput) {
    *neuron.value = netInput;
}

void SaturatedLinear(TBasicNeuron& neuron, double netInput) {
    if (netInput >= 1.0) {
        *neuron.value = 1.0;
    } else if (netInput > 0.0) {
        *neuron.value = netInput;
    } else {
        *neuron.value = 0.0;  // also for a net input that is not a number
    }
}

void Sigmoid(TBasicNeuron& neuron, double netInput) {
    *neuron.value = SigmoidKernel::Plain(netInput);
}

void Tanh(TBasicNeuron& neuron, double netInput) {
    Store(neuron, std::tanh(static_cast<long double>(netInput)));
}

void LinearGain(TBasicNeuron& neuron, double netInput) {
    Store(neuron, static_cast<long double>(GainOf(neuron)) * netInput);
}

void SigmoidGain(TBasicNeuron& neuron, double netInput) {
    const long double e = std::exp(-static_cast<long double>(GainOf(neuron)) * netInput);
    Store(neuron, 1.0L / (e + 1.0L));
}

void TanhGain(TBasicNeuron& neuron, double netInput) {
    Store(neuron, std::tanh(static_cast<long double>(GainOf(neuron)) * netInput));
}

TLayerActFunction LayerFormOf(TActFunction function) {
    return function == Sigmoid ? SigmoidKernel::Apply : nullptr;
}

bool NeedsGain(TActFunction function) {
    return function == LinearGain || function == SigmoidGain || function == TanhGain;
}

void RequireSuitable(TActFunction function, const TBasicNeuron& neuron, const char* where) {
    if (NeedsGain(function) && dynamic_cast<const TGainNeuron*>(&neuron) == nullptr) {
        throw TException("Gain function on a neuron without gain", kBadParameter, where);
    }
}

}  // namespace ActFunctions

TFnRegistry::TFnRegistry() {
    entries.reserve(static_cast<std::size_t>(capacity));
}

TFnRegistry::~TFnRegistry() = default;

void TFnRegistry::RegisterDefaults() {
    Register(ActFunctions::Error, "error");
    Register(ActFunctions::Null, "null");
    Register(ActFunctions::Bias, "bias");
    Register(ActFunctions::Linear, "linear");
    Register(ActFunctions::SaturatedLinear, "saturated-linear");
    Register(ActFunctions::Sigmoid, "sigmoid");
    Register(ActFunctions::Tanh, "tanh");
    Register(ActFunctions::LinearGain, "linear-gain");
    Register(ActFunctions::SigmoidGain, "sigmoid-gain");
    Register(ActFunctions::TanhGain, "tanh-gain");
    Register(ActFunctions::Cog, "cog");
    Register(ActFunctions::ZorfCondition, "Zorf-condition");
}

void TFnRegistry::Register(TActFunction function, std::string_view name) {
    if (IndexOf(name) >= 0) {
        ZORF_FAIL("strcasecmp(p,pp->name)!=0");
    }
    Append(name, function);
}

TActFunction TFnRegistry::GetFunction(std::string_view name) const {
    const std::int32_t index = IndexOf(name);
    if (index < 0) {
        ZORF_REFUSE("false");
    }
    return entries[static_cast<std::size_t>(index)].fn;
}

TActFunction TFnRegistry::FindFunction(std::string_view name) const {
    const std::int32_t index = IndexOf(name);
    return index < 0 ? nullptr : entries[static_cast<std::size_t>(index)].fn;
}

const std::string& TFnRegistry::GetFunctionName(TActFunction function) const {
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        if (entry->fn == function) {
            return entry->name;
        }
    }
    ZORF_FAIL("false");
}

TActFunction& TFnRegistry::GetFunctionSlot(std::string_view name) {
    const std::int32_t index = IndexOf(name);
    if (index >= 0) {
        return entries[static_cast<std::size_t>(index)].fn;
    }
    return Append(name, nullptr).fn;
}

std::int32_t TFnRegistry::IndexOf(std::string_view name) const {
    for (std::int32_t i = GetNumEntries() - 1; i >= 0; --i) {
        if (KQML::strcasecmp(entries[static_cast<std::size_t>(i)].name, name) == 0) {
            return i;
        }
    }
    return -1;
}

TFnRegistry::Entry& TFnRegistry::Append(std::string_view name, TActFunction function) {
    if (GetNumEntries() == capacity) {
        capacity *= 2;
        entries.reserve(static_cast<std::size_t>(capacity));
    }
    entries.push_back(Entry{std::string(name), function});
    return entries.back();
}
