// The "sigmoid" activation function in two forms that give the same bits for every net input.
// Plain computes it the way the function is defined: 1e-300 below -500, otherwise
// 1 / (1 + e^-x) with long double intermediates, rounded to double once. Apply does the same
// for a whole array of net inputs, several at a time in double-double arithmetic, and falls
// back on Plain for every input where that approximation could round to another double.
#pragma once

#include <cstdint>
#include <span>

namespace SigmoidKernel {

double Plain(double netInput);

// outputs[i] = Plain(netInputs[i]) for i below count; the two arrays may be the same.
void Apply(const double* netInputs, double* outputs, std::int32_t count);

// Whether Apply takes the double-double route on this processor (it needs fused multiply-add
// and AVX2 or AVX-512); otherwise it runs Plain on every input.
bool IsVectorized();

// Apply's double-double route for each instruction set, so that each can be compared with Plain
// on a machine that runs it; Apply runs the first one this processor runs.
struct TVariant {
    const char* name;
    void (*apply)(const double* netInputs, double* outputs, std::int32_t count);
    bool (*runsHere)();
};

// Best first; empty in a build without vectorized kernels.
std::span<const TVariant> Variants();

}  // namespace SigmoidKernel
