// The one place that decides which vectorized kernels a build holds. They need x86-64 and
// the target attributes of g++ or clang (<immintrin.h>, per-function instruction sets); a
// build for another processor, or one configured with ZORF_VECTOR_KERNELS=OFF (which defines
// ZORF_PLAIN_KERNELS_ONLY), holds the plain kernels only, and they give the same bits.
#pragma once

#if !defined(ZORF_PLAIN_KERNELS_ONLY) && defined(__x86_64__) && \
    (defined(__GNUC__) || defined(__clang__))
#define ZORF_X86_KERNELS 1
#else
#define ZORF_X86_KERNELS 0
#endif
