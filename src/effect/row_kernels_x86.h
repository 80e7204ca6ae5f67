#pragma once
// Kernels for x86-64 processors, compiled for their instruction sets by
// function attributes and chosen at run time.

#include "effect/row_kernels.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VSF_HAVE_X86_KERNELS 1
RowKernels avx2RowKernels();
RowKernels avx512RowKernels();
#else
#define VSF_HAVE_X86_KERNELS 0
#endif
