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

constexpr int kLanes = 4;

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
// the same region.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif

using TLanes = __m256d;

TLanes Splat(double value) {
    return _mm256_set1_pd(value);
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

TLanes Select(TLanes mask, TLanes ifSet, TLanes ifClear) {
    return _mm256_blendv_pd(ifClear, ifSet, mask);
}

// The outputs of the four net inputs x; `lanes` has the bits of the lanes to write. Inlined,
// so that only ApplyVectorized, whose interface holds no vectors, leaves the vector unit (and
// clears the upper halves of its registers for the code around it).
[[gnu::always_inline]] inline void ApplyLanes(TLanes x, int lanes, double* outputs,
                                              const TPowerTable& table) {
    const TLanes floor = _mm256_cmp_pd(x, Splat(kFloorLimit), _CMP_LT_OQ);
    const TLanes one = _mm256_cmp_pd(x, Splat(kOneLimit), _CMP_GE_OQ);
    const TLanes ordinary = _mm256_andnot_pd(
        one, _mm256_cmp_pd(x, Splat(kFloorLimit), _CMP_GE_OQ));  // neither, nor a NaN
    // The other lanes compute nonsense that is never used; the table index stays in the table.
    const TLanes u = Subtract(Splat(0.0), x);

    // u = k ln2/1024 + r. rh is r1 - p2 rounded once, taken by the fused operation so that
    // the two-sum of its error runs beside the main chain.
    const TLanes shifter = Splat(0x1.8p52);
    const TLanes shifted = MultiplyAdd(u, Splat(0x1.71547652b82fep+10), shifter);
    const TLanes kd = Subtract(shifted, shifter);
    const __m256i k = _mm256_sub_epi64(_mm256_castpd_si256(shifted), _mm256_castpd_si256(shifter));
    const TLanes r1 = NegatedMultiplyAdd(kd, Splat(0x1.62e42feep-11), u);
    const TLanes p2 = Multiply(kd, Splat(0x1.a39ef356p-43));
    const TLanes rh = NegatedMultiplyAdd(kd, Splat(0x1.a39ef356p-43), r1);
    const TLanes rb = Subtract(rh, r1);
    const TLanes re = Add(Subtract(r1, Subtract(rh, rb)), Subtract(Subtract(Splat(0.0), p2), rb));
    const TLanes rl = NegatedMultiplyAdd(kd, Splat(0x1.93c7673007e5fp-75), re);

    // e^r - 1 - r = rh^2 (1/2 + rh/6) + rh^4 (1/24 + rh/120), plus the part of rl.
    const TLanes r2 = Multiply(rh, rh);
    const TLanes low = MultiplyAdd(rh, Splat(1.0 / 6), Splat(0.5));
    const TLanes high = MultiplyAdd(rh, Splat(1.0 / 120), Splat(1.0 / 24));
    const TLanes q = MultiplyAdd(Multiply(r2, r2), high, Multiply(r2, low));
    const TLanes wl = Add(rl, q);

    // e^u = 2^(k >> 10) T[k & 1023] (1 + rh + wl), the power of two applied to the table
    // entry (exactly) while the polynomial is evaluated.
    const __m256i j = _mm256_and_si256(k, _mm256_set1_epi64x(kTableSize - 1));
    // k + 1023 * 1024 is positive, so a logical shift divides it by 1024 rounding down.
    const __m256i exponent =
        _mm256_srli_epi64(_mm256_add_epi64(k, _mm256_set1_epi64x(1023 * kTableSize)), kTableBits);
    const TLanes scale = _mm256_castsi256_pd(_mm256_slli_epi64(exponent, 52));
    const TLanes th = Multiply(_mm256_i64gather_pd(table.hi.data(), j, sizeof(double)), scale);
    const TLanes tl = Multiply(_mm256_i64gather_pd(table.lo.data(), j, sizeof(double)), scale);
    const TLanes ah = MultiplyAdd(th, rh, th);
    const TLanes al = MultiplyAdd(th, rh, Subtract(th, ah));
    const TLanes el = Add(al, MultiplyAdd(th, wl, MultiplyAdd(tl, rh, tl)));
    const TLanes eh = Add(ah, el);
    const TLanes elo = Subtract(el, Subtract(eh, ah));

    // 1 / (1 + e^u).
    const TLanes sh = Add(Splat(1.0), eh);
    const TLanes y0 = _mm256_div_pd(Splat(1.0), sh);
    const TLanes sb = Subtract(sh, Splat(1.0));
    const TLanes se = Add(Subtract(Splat(1.0), Subtract(sh, sb)), Subtract(eh, sb));
    const TLanes sl = Add(se, elo);
    const TLanes rho = NegatedMultiplyAdd(sl, y0, NegatedMultiplyAdd(sh, y0, Splat(1.0)));
    const TLanes yl = Multiply(y0, rho);

    const TLanes margin = Multiply(y0, Splat(kMargin));
    const TLanes below = Add(y0, Subtract(yl, margin));
    const TLanes above = Add(y0, Add(yl, margin));
    const TLanes decided = _mm256_or_pd(
        _mm256_or_pd(floor, one), _mm256_and_pd(ordinary, _mm256_cmp_pd(below, above, _CMP_EQ_OQ)));
    const TLanes result = Select(one, Splat(1.0), Select(floor, Splat(kFloorValue), below));

    if (lanes == (1 << kLanes) - 1) {
        _mm256_storeu_pd(outputs, result);
    } else {
        // Lane by lane: a later load of one output is then served by its own store.
        double results[kLanes];
        _mm256_storeu_pd(results, result);
        for (int lane = 0; lane < kLanes && ((lanes >> lane) & 1) != 0; ++lane) {
            outputs[lane] = results[lane];
        }
    }
    const int undecided = (_mm256_movemask_pd(decided) ^ ((1 << kLanes) - 1)) & lanes;
    if (undecided == 0) {
        return;
    }
    double inputs[kLanes];
    _mm256_storeu_pd(inputs, x);
    for (int lane = 0; lane < kLanes; ++lane) {
        if (((undecided >> lane) & 1) != 0) {
            outputs[lane] = Plain(inputs[lane]);
        }
    }
}

void ApplyVectorized(const double* netInputs, double* outputs, std::int32_t count) {
    const TPowerTable& table = PowerTable();
    std::int32_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        ApplyLanes(_mm256_loadu_pd(netInputs + i), (1 << kLanes) - 1, outputs + i, table);
    }
    if (i < count) {
        // The lanes past the end are 0.0 and not written. The inputs are read one by one, so
        // that each is served by the store that wrote it.
        const std::int32_t left = count - i;
        const double* in = netInputs + i;
        const TLanes x = _mm256_setr_pd(in[0], left > 1 ? in[1] : 0.0, left > 2 ? in[2] : 0.0, 0.0);
        ApplyLanes(x, (1 << left) - 1, outputs + i, table);
    }
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

bool HasFusedMultiplyAdd() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
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
    if (IsVectorized()) {
        ApplyVectorized(netInputs, outputs, count);
        return;
    }
#endif
    for (std::int32_t i = 0; i < count; ++i) {
        outputs[i] = Plain(netInputs[i]);
    }
}

bool IsVectorized() {
#if ZORF_X86_KERNELS
    static const bool vectorized = HasFusedMultiplyAdd();
    return vectorized;
#else
    return false;
#endif
}

}  // namespace SigmoidKernel
