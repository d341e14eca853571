// Compiled for AVX2; called only where the processor has it.
#include "image/Avx2Kernels.h"
#include "image/KernelChoice.h"

namespace avx2 {

std::uint32_t CallRowDistance(const Uint32* p, const Uint32* q, int n) { return RowDistance(p, q, n); }

void CallBlendSpan(Uint32* row, int left, int right, const Blend& blend) { BlendSpan(row, left, right, blend); }

}  // namespace avx2
