#include "Train/OptimizerTable.h"

#include "KQmessage/StrCaseCmp.h"

// Outside any namespace: `class TRprop` here names the class its own file defines.
static const TOptimizerKind kOptimizers[] = {
    {"RPROP", std::nullopt, true, "", MakeOptimizer<class TRprop>},
    {"Backprop", 0.1, false, "gradient descent with momentum", MakeOptimizer<class TBackprop>},
    {"Adam", 0.01, false, "", MakeOptimizer<class TAdam>},
};

std::span<const TOptimizerKind> Optimizers() {
    return kOptimizers;
}

const TOptimizerKind* FindOptimizer(std::string_view name) {
    for (const TOptimizerKind& kind : kOptimizers) {
        if (KQML::strcasecmp(name, kind.name) == 0) {
            return &kind;
        }
    }
    return nullptr;
}
