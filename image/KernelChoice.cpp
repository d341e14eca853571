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
