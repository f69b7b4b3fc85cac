#include "sector/sector_arithmetic.h"

#include <atomic>
#include <cstdlib>

namespace vorlix {
namespace {

bool ProcessorHasFastInstructions() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1") &&
           __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool InitiallyFast() {
    const char* portable = std::getenv("VORLIX_PORTABLE_SECTORS");
    return ProcessorHasFastInstructions() && !(portable && *portable && *portable != '0');
}

// Chosen once at start-up; only tests and the benchmark change it afterwards.
std::atomic<bool> use_fast{InitiallyFast()};

}  // namespace

bool FastSectorArithmeticAvailable() {
    static const bool available = ProcessorHasFastInstructions();
    return available;
}

SectorArithmetic ActiveSectorArithmetic() {
    return use_fast.load(std::memory_order_relaxed) ? SectorArithmetic::Fast
                                                    : SectorArithmetic::Portable;
}

SectorArithmetic UseSectorArithmetic(SectorArithmetic arithmetic) {
    const bool fast = arithmetic == SectorArithmetic::Fast && FastSectorArithmeticAvailable();
    return use_fast.exchange(fast) ? SectorArithmetic::Fast : SectorArithmetic::Portable;
}

bool arithmetic::FastSelected() {
    return use_fast.load(std::memory_order_relaxed);
}

}  // namespace vorlix
