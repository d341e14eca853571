#include "image/KernelChoice.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

bool KernelsAvailable(KernelSet set) {
    switch (set) {
        case KernelSet::Plain:
            return true;
        case KernelSet::Sse2:
            return POLYEVOLVE_SIMD != 0;
        case KernelSet::Avx2:
#if defined(POLYEVOLVE_AVX2) && !defined(POLYEVOLVE_NO_SIMD)
            return __builtin_cpu_supports("avx2");  // also asks whether the system keeps the registers
#else
            return false;
#endif
    }
    return false;
}

const char* KernelName(KernelSet set) {
    switch (set) {
        case KernelSet::Plain:
            return "plain";
        case KernelSet::Sse2:
            return "sse2";
        case KernelSet::Avx2:
            return "avx2";
    }
    return "plain";
}

namespace {

KernelSet Widest() {
    for (KernelSet set : {KernelSet::Avx2, KernelSet::Sse2})
        if (KernelsAvailable(set)) return set;
    return KernelSet::Plain;
}

KernelSet FromEnvironment() {
    const char* named = std::getenv("POLYEVOLVE_KERNELS");
    if (named)
        for (KernelSet set : {KernelSet::Plain, KernelSet::Sse2, KernelSet::Avx2})
            if (std::strcmp(named, KernelName(set)) == 0 && KernelsAvailable(set)) return set;
    return Widest();
}

}  // namespace

std::string KernelRequestProblem() {
    const char* named = std::getenv("POLYEVOLVE_KERNELS");
    if (!named || !*named) return "";
    std::string running;
    for (KernelSet set : {KernelSet::Avx2, KernelSet::Sse2, KernelSet::Plain})
        if (KernelsAvailable(set)) running += std::string(running.empty() ? "" : ", ") + KernelName(set);
    for (KernelSet set : {KernelSet::Plain, KernelSet::Sse2, KernelSet::Avx2})
        if (std::strcmp(named, KernelName(set)) == 0)
            return KernelsAvailable(set) ? "" : std::string("POLYEVOLVE_KERNELS=") + named +
                                                    ": not in this build or not run by this processor (it runs " +
                                                    running + ")";
    return std::string("POLYEVOLVE_KERNELS=") + named + ": not plain, sse2 or avx2 (this processor runs " + running + ")";
}

bool KernelRequestUsable(std::ostream& err) {
    const std::string problem = KernelRequestProblem();
    if (!problem.empty()) err << problem << "\n";
    return problem.empty();
}

namespace {

std::atomic<KernelSet>& Chosen() {
    static std::atomic<KernelSet> chosen{FromEnvironment()};
    return chosen;
}

}  // namespace

KernelSet RunningKernels() { return Chosen().load(std::memory_order_relaxed); }

bool UseKernels(KernelSet set) {
    if (!KernelsAvailable(set)) return false;
    Chosen().store(set, std::memory_order_relaxed);
    return true;
}

namespace {

std::uint32_t PlainRowDistance(const Uint32* p, const Uint32* q, int n) { return plain::RowDistance(p, q, n); }
void PlainBlendSpan(Uint32* row, int left, int right, const Blend& blend) {
    plain::BlendSpan(row, left, right, blend);
}
void PlainPixelDistances(const Uint32* p, const Uint32* q, int n, std::uint32_t* out) {
    plain::PixelDistances(p, q, n, out);
}
#if POLYEVOLVE_SIMD
std::uint32_t Sse2RowDistance(const Uint32* p, const Uint32* q, int n) { return simd::RowDistance(p, q, n); }
void Sse2BlendSpan(Uint32* row, int left, int right, const Blend& blend) {
    simd::BlendSpan(row, left, right, blend);
}
void Sse2PixelDistances(const Uint32* p, const Uint32* q, int n, std::uint32_t* out) {
    simd::PixelDistances(p, q, n, out);
}
#endif

}  // namespace

RowDistanceFn ChosenRowDistance() {
    switch (RunningKernels()) {
#ifdef POLYEVOLVE_AVX2
        case KernelSet::Avx2: return &avx2::CallRowDistance;
#endif
#if POLYEVOLVE_SIMD
        case KernelSet::Sse2: return &Sse2RowDistance;
#endif
        default: return &PlainRowDistance;
    }
}

BlendSpanFn ChosenBlendSpan() {
    switch (RunningKernels()) {
#ifdef POLYEVOLVE_AVX2
        case KernelSet::Avx2: return &avx2::CallBlendSpan;
#endif
#if POLYEVOLVE_SIMD
        case KernelSet::Sse2: return &Sse2BlendSpan;
#endif
        default: return &PlainBlendSpan;
    }
}

// No AVX2 set of its own: the widest below serves.
PixelDistancesFn ChosenPixelDistances() {
#if POLYEVOLVE_SIMD
    if (RunningKernels() != KernelSet::Plain) return &Sse2PixelDistances;
#endif
    return &PlainPixelDistances;
}
