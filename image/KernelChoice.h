#pragma once

// Which pixel kernels the fast evaluator's paint-and-score runs: the widest vector ones this
// build and this processor have, chosen once at run time. All give the very same values.

#include "image/Kernels.h"

#include <cstdint>

enum class KernelSet { Plain, Sse2, Avx2 };

// Whether this build holds the set and this processor can run it.
bool KernelsAvailable(KernelSet set);
// The set in use: the widest available, unless POLYEVOLVE_KERNELS (plain, sse2 or avx2) names
// another available one, or UseKernels chose one.
KernelSet RunningKernels();
// Makes `set` the one in use (tests and benchmarks compare them); false, changing nothing,
// when it is not available.
bool UseKernels(KernelSet set);
const char* KernelName(KernelSet set);

namespace avx2 {
// The AVX2 kernels as plain calls, for code not compiled for AVX2 (the tests); only when
// KernelsAvailable(KernelSet::Avx2).
std::uint32_t CallRowDistance(const Uint32* p, const Uint32* q, int n);
void CallBlendSpan(Uint32* row, int left, int right, const Blend& blend);
}  // namespace avx2
