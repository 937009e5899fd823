// The activation functions and the registry that names them.
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "NeuralNets/TBasicNeuron.h"

namespace ActFunctions {

// Placeholders: running one is a programming error. Every new neuron carries Error until it
// is given a function; a layer without neurons reports Null; the defuzzifying output layer
// carries Cog and computes its outputs itself.
ZORF_EXPORT void Error(TBasicNeuron& neuron, double netInput);
ZORF_EXPORT void Null(TBasicNeuron& neuron, double netInput);
ZORF_EXPORT void Cog(TBasicNeuron& neuron, double netInput);

ZORF_EXPORT void Bias(TBasicNeuron& neuron, double netInput);
ZORF_EXPORT void Linear(TBasicNeuron& neuron, double netInput);
ZORF_EXPORT void SaturatedLinear(TBasicNeuron& neuron, double netInput);
ZORF_EXPORT void Sigmoid(TBasicNeuron& neuron, double netInput);
ZORF_EXPORT void Tanh(TBasicNeuron& neuron, double netInput);

// These read the neuron's gain and so apply only to a TGainNeuron.
ZORF_EXPORT void LinearGain(TBasicNeuron& neuron, double netInput);
ZORF_EXPORT void SigmoidGain(TBasicNeuron& neuron, double netInput);
ZORF_EXPORT void TanhGain(TBasicNeuron& neuron, double netInput);

// The membership degree of a fuzzy condition neuron. The rule belongs to the condition layer
// (Zorf/TConditionLayer.cpp), which hands it over through SetConditionRule when a condition
// layer is made; this function, the one the registry names, calls it. Before that no neuron
// can be a condition neuron, and a call is refused as the rule refuses any other neuron.
ZORF_EXPORT void ZorfCondition(TBasicNeuron& neuron, double netInput);
ZORF_EXPORT void SetConditionRule(TActFunction rule);

// A function over a whole layer: outputs[i] is what the neuron function stores for
// netInputs[i]. The two arrays may be the same.
using TLayerActFunction = void (*)(const double* netInputs, double* outputs, std::int32_t count);

// The layer form of a function whose output depends on the net input alone, where one is
// faster than calling the function for every neuron; null otherwise.
ZORF_EXPORT TLayerActFunction LayerFormOf(TActFunction function);

ZORF_EXPORT bool NeedsGain(TActFunction function);

// Raises TException (Bad Parameter, where-text `where`) when the function cannot run on the
// neuron: a gain function on a neuron without a gain.
ZORF_EXPORT void RequireSuitable(TActFunction function, const TBasicNeuron& neuron,
                                 const char* where);

}  // namespace ActFunctions

// Maps activation-function names to functions and back. Names match without regard to case
// and keep the spelling they were registered with.
class ZORF_EXPORT TFnRegistry {
  public:
    TFnRegistry();
    TFnRegistry(const TFnRegistry&) = delete;
    TFnRegistry& operator=(const TFnRegistry&) = delete;
    virtual ~TFnRegistry();

    // The standard set, in its fixed order.
    virtual void RegisterDefaults();

    void Register(TActFunction function, std::string_view name);
    // Refuses (TCheckFailure) a name that is not registered, since names come from files.
    TActFunction GetFunction(std::string_view name) const;
    // The function registered under the name; null when there is none (or the entry has no
    // function yet), for callers that report unknown names in their own words.
    TActFunction FindFunction(std::string_view name) const;
    const std::string& GetFunctionName(TActFunction function) const;
    // The entry's function, added empty (null) if the name is new; the place stays valid
    // until the next entry is added.
    TActFunction& GetFunctionSlot(std::string_view name);

    std::int32_t GetNumEntries() const { return static_cast<std::int32_t>(entries.size()); }
    std::int32_t GetCapacity() const { return capacity; }

  private:
    struct Entry {
        std::string name;
        TActFunction fn;
    };

    static constexpr std::int32_t kInitialCapacity = 16;

    std::vector<Entry> entries;
    std::int32_t capacity = kInitialCapacity;

    // Scans from the last entry to the first; -1 when no name matches.
    std::int32_t IndexOf(std::string_view name) const;
    Entry& Append(std::string_view name, TActFunction function);
};
