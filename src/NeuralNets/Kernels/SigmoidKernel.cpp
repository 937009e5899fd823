#include "NeuralNets/Kernels/SigmoidKernel.h"

#include <array>
#include <cmath>

#include "NeuralNets/Kernels/KernelTargets.h"

#if ZORF_X86_KERNELS
#include <immintrin.h>
#endif

namespace SigmoidKernel {

namespace {

// Below this the function is defined as kFloorValue, without evaluating the exponential.
constexpr double kFloorLimit = -500.0;
constexpr double kFloorValue = 1e-300;
// From here on e^-x < 2^-57.7, so Plain's long double 1 / (1 + e^-x) lies within 2^-57 below
// 1, nearer to 1.0 than to any other double: the result is 1.0.
constexpr double kOneLimit = 40.0;

#if ZORF_X86_KERNELS

struct TDoubleDouble {
    double hi;
    double lo;
};

// Dekker's exact product a * b = hi + lo, without fused multiply-add: the table below is built
// on any processor.
TDoubleDouble TwoProduct(double a, double b) {
    constexpr double kSplitter = 134217729.0;  // 2^27 + 1
    const double p = a * b;
    const double ca = kSplitter * a;
    const double aHigh = ca - (ca - a);
    const double aLow = a - aHigh;
    const double cb = kSplitter * b;
    const double bHigh = cb - (cb - b);
    const double bLow = b - bHigh;
    return {p, ((aHigh * bHigh - p) + aHigh * bLow + aLow * bHigh) + aLow * bLow};
}

TDoubleDouble Multiply(TDoubleDouble a, TDoubleDouble b) {
    const TDoubleDouble product = TwoProduct(a.hi, b.hi);
    const double low = product.lo + (a.hi * b.lo + a.lo * b.hi);
    const double hi = product.hi + low;
    return {hi, low - (hi - product.hi)};
}

constexpr int kTableBits = 10;
constexpr int kTableSize = 1 << kTableBits;

// 2^(2^b / 1024) for b = 0 to 9, each the double-double nearest to the value computed with 60
// decimal digits.
constexpr TDoubleDouble kPowerSteps[kTableBits] = {
    {0x1.002c605e2e8cfp+0, -0x1.d7c96f201bb2fp-55}, {0x1.0058c86da1c0ap+0, -0x1.5e00e62d6b30dp-56},
    {0x1.00b1afa5abcbfp+0, -0x1.4f6b2a7609f71p-55}, {0x1.0163da9fb3335p+0, 0x1.b61299ab8cdb7p-54},
    {0x1.02c9a3e778061p+0, -0x1.19083535b085dp-56}, {0x1.059b0d3158574p+0, 0x1.d73e2a475b465p-55},
    {0x1.0b5586cf9890fp+0, 0x1.8a62e4adc610bp-54},  {0x1.172b83c7d517bp+0, -0x1.19041b9d78a76p-55},
    {0x1.306fe0a31b715p+0, 0x1.6f46ad23182e4p-55},  {0x1.6a09e667f3bcdp+0, -0x1.bdd3413b26456p-54},
};

// 2^(j / 1024) for j = 0 to 1023 as double-doubles, each the product of the steps of j's bits:
// at most ten products of relative error below 2^-104 each.
struct TPowerTable {
    std::array<double, kTableSize> hi{};
    std::array<double, kTableSize> lo{};

    TPowerTable() {
        for (int j = 0; j < kTableSize; ++j) {
            TDoubleDouble power{1.0, 0.0};
            for (int b = 0; b < kTableBits; ++b) {
                if (((j >> b) & 1) != 0) {
                    power = Multiply(power, kPowerSteps[b]);
                }
            }
            hi[static_cast<std::size_t>(j)] = power.hi;
            lo[static_cast<std::size_t>(j)] = power.lo;
        }
    }
};

const TPowerTable& PowerTable() {
    static const TPowerTable table;
    return table;
}

// How the double-double route decides, for -500 <= x < 40 and u = -x:
//
// u = k ln2/1024 + r with k the nearest integer to u 1024/ln2 (one rounding away, so |r| stays
// below 3.4e-4). ln2/1024 is split in three parts; k times each of the first two is exact, so
// r comes out as a double-double rh + rl within 2^-100. e^r = 1 + r + q with
// q = r^2 (1/2 + r/6 + r^2/24 + r^3/120) evaluated in double: q < 6e-8, so its rounding and
// truncation stay below 2^-75 of e^r. e^u = 2^(k >> 10) T[k & 1023] e^r with the table within
// 2^-100; the products with the large terms are exact (fused multiply-add residuals), the
// others are rounded at 2^-53 of terms below 2^-23, so e^u is within 2^-73. The sum s = 1 + e^u
// is an exact two-sum plus a rounded tail (2^-105), and 1/s = y0 + y0 rho with y0 the rounded
// quotient and rho = 1 - s y0 exact to 2^-105 (the residual of a rounded reciprocal is a
// double); the neglected rho^2 is below 2^-103. So y = y0 + y0 rho lies within 2^-72 of the
// true value.
//
// Plain's long double value lies within the error of expl (a few units of 2^-63) plus two
// roundings of 2^-64: below 2^-60 for expl errors up to six units. Both therefore lie within
// kMargin = 2^-59 of y. Rounding to double is monotone: when y - kMargin y and y + kMargin y
// round to the same double, so does every value between them, and that double is Plain's
// result. Otherwise (about 2% of inputs) Plain itself is run.
constexpr double kMargin = 0x1p-59;

// clang knows no GCC target pragmas; its own attribute pragma gives the fuzz build's clang
// the same regions.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif

namespace Avx2 {

constexpr int kLanes = 4;
using TLanes = __m256d;
using TMask = __m256d;
using TIndex = __m256i;

TLanes Splat(double value) {
    return _mm256_set1_pd(value);
}

TLanes Load(const double* values) {
    return _mm256_loadu_pd(values);
}

// The inputs are read one by one, so that each is served by the store that wrote it.
TLanes LoadFirst(const double* values, std::int32_t count) {
    return _mm256_setr_pd(values[0], count > 1 ? values[1] : 0.0, count > 2 ? values[2] : 0.0, 0.0);
}

void Store(double* values, TLanes lanes) {
    _mm256_storeu_pd(values, lanes);
}

// a * b + c and c - a * b, each rounded once.
TLanes MultiplyAdd(TLanes a, TLanes b, TLanes c) {
    return _mm256_fmadd_pd(a, b, c);
}

TLanes NegatedMultiplyAdd(TLanes a, TLanes b, TLanes c) {
    return _mm256_fnmadd_pd(a, b, c);
}

TLanes Add(TLanes a, TLanes b) {
    return _mm256_add_pd(a, b);
}

TLanes Subtract(TLanes a, TLanes b) {
    return _mm256_sub_pd(a, b);
}

TLanes Multiply(TLanes a, TLanes b) {
    return _mm256_mul_pd(a, b);
}

TLanes Divide(TLanes a, TLanes b) {
    return _mm256_div_pd(a, b);
}

TMask Less(TLanes a, TLanes b) {
    return _mm256_cmp_pd(a, b, _CMP_LT_OQ);
}

TMask GreaterEqual(TLanes a, TLanes b) {
    return _mm256_cmp_pd(a, b, _CMP_GE_OQ);
}

TMask Equal(TLanes a, TLanes b) {
    return _mm256_cmp_pd(a, b, _CMP_EQ_OQ);
}

TMask Or(TMask a, TMask b) {
    return _mm256_or_pd(a, b);
}

TMask And(TMask a, TMask b) {
    return _mm256_and_pd(a, b);
}

// b without a.
TMask AndNot(TMask a, TMask b) {
    return _mm256_andnot_pd(a, b);
}

int MaskBits(TMask mask) {
    return _mm256_movemask_pd(mask);
}

TLanes Select(TMask mask, TLanes ifSet, TLanes ifClear) {
    return _mm256_blendv_pd(ifClear, ifSet, mask);
}

TIndex AsIndex(TLanes lanes) {
    return _mm256_castpd_si256(lanes);
}

TLanes AsLanes(TIndex index) {
    return _mm256_castsi256_pd(index);
}

TIndex IndexSubtract(TIndex a, TIndex b) {
    return _mm256_sub_epi64(a, b);
}

TIndex IndexAdd(TIndex a, std::int64_t b) {
    return _mm256_add_epi64(a, _mm256_set1_epi64x(b));
}

TIndex IndexAnd(TIndex a, std::int64_t b) {
    return _mm256_and_si256(a, _mm256_set1_epi64x(b));
}

TIndex ShiftRight(TIndex a, int bits) {
    return _mm256_srli_epi64(a, bits);
}

TIndex ShiftLeft(TIndex a, int bits) {
    return _mm256_slli_epi64(a, bits);
}

TLanes Gather(const double* table, TIndex index) {
    return _mm256_i64gather_pd(table, index, sizeof(double));
}

#include "NeuralNets/Kernels/SigmoidKernelLanes.h"

}  // namespace Avx2

#if defined(__clang__)
#pragma clang attribute pop
#pragma clang attribute push(__attribute__((target("avx512f,fma"))), apply_to = function)
#else
#pragma GCC pop_options
#pragma GCC push_options
#pragma GCC target("avx512f,fma")
#endif

namespace Avx512 {

constexpr int kLanes = 8;
using TLanes = __m512d;
using TMask = __mmask8;
using TIndex = __m512i;

TLanes Splat(double value) {
    return _mm512_set1_pd(value);
}

TLanes Load(const double* values) {
    return _mm512_loadu_pd(values);
}

TLanes LoadFirst(const double* values, std::int32_t count) {
    return _mm512_maskz_loadu_pd(static_cast<TMask>((1 << count) - 1), values);
}

void Store(double* values, TLanes lanes) {
    _mm512_storeu_pd(values, lanes);
}

TLanes MultiplyAdd(TLanes a, TLanes b, TLanes c) {
    return _mm512_fmadd_pd(a, b, c);
}

TLanes NegatedMultiplyAdd(TLanes a, TLanes b, TLanes c) {
    return _mm512_fnmadd_pd(a, b, c);
}

TLanes Add(TLanes a, TLanes b) {
    return _mm512_add_pd(a, b);
}

TLanes Subtract(TLanes a, TLanes b) {
    return _mm512_sub_pd(a, b);
}

TLanes Multiply(TLanes a, TLanes b) {
    return _mm512_mul_pd(a, b);
}

TLanes Divide(TLanes a, TLanes b) {
    return _mm512_div_pd(a, b);
}

TMask Less(TLanes a, TLanes b) {
    return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ);
}

TMask GreaterEqual(TLanes a, TLanes b) {
    return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ);
}

TMask Equal(TLanes a, TLanes b) {
    return _mm512_cmp_pd_mask(a, b, _CMP_EQ_OQ);
}

TMask Or(TMask a, TMask b) {
    return static_cast<TMask>(a | b);
}

TMask And(TMask a, TMask b) {
    return static_cast<TMask>(a & b);
}

TMask AndNot(TMask a, TMask b) {
    return static_cast<TMask>(~a & b);
}

int MaskBits(TMask mask) {
    return mask;
}

TLanes Select(TMask mask, TLanes ifSet, TLanes ifClear) {
    return _mm512_mask_blend_pd(mask, ifClear, ifSet);
}

TIndex AsIndex(TLanes lanes) {
    return _mm512_castpd_si512(lanes);
}

TLanes AsLanes(TIndex index) {
    return _mm512_castsi512_pd(index);
}

TIndex IndexSubtract(TIndex a, TIndex b) {
    return _mm512_sub_epi64(a, b);
}

TIndex IndexAdd(TIndex a, std::int64_t b) {
    return _mm512_add_epi64(a, _mm512_set1_epi64(b));
}

TIndex IndexAnd(TIndex a, std::int64_t b) {
    return _mm512_and_si512(a, _mm512_set1_epi64(b));
}

// The masked forms with every lane set: g++ 12 warns that the unmasked ones' headers read an
// undefined vector.
constexpr TMask kEveryLane = 0xff;

TIndex ShiftRight(TIndex a, unsigned bits) {
    return _mm512_maskz_srli_epi64(kEveryLane, a, bits);
}

TIndex ShiftLeft(TIndex a, unsigned bits) {
    return _mm512_maskz_slli_epi64(kEveryLane, a, bits);
}

TLanes Gather(const double* table, TIndex index) {
    return _mm512_mask_i64gather_pd(_mm512_setzero_pd(), kEveryLane, index, table, sizeof(double));
}

#include "NeuralNets/Kernels/SigmoidKernelLanes.h"

}  // namespace Avx512

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

bool RunsAvx512() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("fma");
}

bool RunsAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

constexpr TVariant kVariants[] = {{"avx512f", Avx512::ApplyVectorized, RunsAvx512},
                                  {"avx2", Avx2::ApplyVectorized, RunsAvx2}};

// The best variant this processor runs; null where it runs none.
void (*BestVariant())(const double*, double*, std::int32_t) {
    static const auto best = []() -> void (*)(const double*, double*, std::int32_t) {
        for (const TVariant& variant : kVariants) {
            if (variant.runsHere()) {
                return variant.apply;
            }
        }
        return nullptr;
    }();
    return best;
}

#endif

}  // namespace

double Plain(double netInput) {
    if (netInput < kFloorLimit) {
        return kFloorValue;
    }
    const long double e = std::exp(-static_cast<long double>(netInput));
    return static_cast<double>(1.0L / (e + 1.0L));
}

void Apply(const double* netInputs, double* outputs, std::int32_t count) {
#if ZORF_X86_KERNELS
    if (const auto vectorized = BestVariant(); vectorized != nullptr) {
        vectorized(netInputs, outputs, count);
        return;
    }
#endif
    for (std::int32_t i = 0; i < count; ++i) {
        outputs[i] = Plain(netInputs[i]);
    }
}

bool IsVectorized() {
#if ZORF_X86_KERNELS
    return BestVariant() != nullptr;
#else
    return false;
#endif
}

std::span<const TVariant> Variants() {
#if ZORF_X86_KERNELS
    return kVariants;
#else
    return {};
#endif
}

}  // namespace SigmoidKernel
