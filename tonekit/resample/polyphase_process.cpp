// Choosing a state's processing routine, once, for the processor at hand.
#include "resample/polyphase_process.h"
#include "test_seams.h"

namespace tonekit::resample {
namespace {

bool g_avx2Allowed = true;

bool HasAvx2() {
#if defined(__x86_64__)
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

}  // namespace

ResamplerProcess ChooseProcess(int32_t channels, bool interpolating) {
#if defined(__x86_64__)
    if (g_avx2Allowed && HasAvx2()) return Avx2Routine(channels, interpolating);
#endif
    return PortableRoutine(channels, interpolating);
}

void AllowAvx2(bool allowed) {
    g_avx2Allowed = allowed;
}

}  // namespace tonekit::resample
