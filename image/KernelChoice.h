#pragma once

// Which pixel kernels the fast evaluator's paint-and-score runs: the widest vector ones this
// build and this processor have, chosen once at run time. All give the very same values.

#include "image/Kernels.h"

#include <cstdint>
#include <ostream>
#include <string>

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
// What is wrong with POLYEVOLVE_KERNELS, in one line for the programs to refuse it with, or ""
// when it is not set or names a set that runs here.
std::string KernelRequestProblem();
// The programs' refusal of it: false, after that line on `err`, when it cannot be had.
bool KernelRequestUsable(std::ostream& err);

// The set in use's kernels as functions, for every pixel path (the metric, the fill, exports,
// the caches, the shape search); the fast evaluator's row painter picks its own once a row.
// Fetched once for a run of calls; the same values whichever set runs.
using RowDistanceFn = std::uint32_t (*)(const Uint32* p, const Uint32* q, int n);
using BlendSpanFn = void (*)(Uint32* row, int left, int right, const Blend& blend);
using PixelDistancesFn = void (*)(const Uint32* p, const Uint32* q, int n, std::uint32_t* out);
RowDistanceFn ChosenRowDistance();
BlendSpanFn ChosenBlendSpan();
PixelDistancesFn ChosenPixelDistances();

namespace avx2 {
// The AVX2 kernels as plain calls, for code not compiled for AVX2 (the tests); only when
// KernelsAvailable(KernelSet::Avx2).
std::uint32_t CallRowDistance(const Uint32* p, const Uint32* q, int n);
void CallBlendSpan(Uint32* row, int left, int right, const Blend& blend);
}  // namespace avx2
