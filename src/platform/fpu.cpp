// x87 control word and environment through fldcw / fnstcw / fnstenv / fldenv,
// SSE MXCSR through stmxcsr / ldmxcsr.
#include "platform/fpu.hpp"

#if defined(__i386__) || defined(__x86_64__) || defined(_M_IX86) || defined(_M_X64)
#include <xmmintrin.h>
#define QUILBET_HAVE_X87 1
#endif

namespace quilbet {

namespace {

constexpr uint32_t mxcsr_flags = 0x3F;

}  // namespace

void fpu_set_control_word(uint16_t cw) {
#if defined(QUILBET_HAVE_X87)
    __asm__ __volatile__("fldcw %0" : : "m"(cw));
    _mm_setcsr(sse_default_mxcsr);
#else
    (void)cw;
#endif
}

uint16_t fpu_control_word() {
#if defined(QUILBET_HAVE_X87)
    uint16_t cw = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(cw));
    return cw;
#else
    return 0;
#endif
}

FpuControl fpu_control() {
#if defined(QUILBET_HAVE_X87)
    return FpuControl{fpu_control_word(), _mm_getcsr() & ~mxcsr_flags};
#else
    return FpuControl{};
#endif
}

FpuScope::FpuScope(FpuControl control) noexcept {
#if defined(QUILBET_HAVE_X87)
    // fnstenv stores without waiting for a pending exception of the caller's
    // (and masks all x87 exceptions, which the load below settles anyway).
    __asm__ __volatile__("fnstenv %0" : "=m"(x87_env_));
    mxcsr_ = _mm_getcsr();
    const uint16_t cw = control.x87;
    __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(cw));
    _mm_setcsr(control.mxcsr & ~mxcsr_flags);
#else
    (void)control;
#endif
}

FpuScope::~FpuScope() {
#if defined(QUILBET_HAVE_X87)
    // The flags raised inside are the module's; fnclex drops them so that
    // loading a control word with exceptions unmasked raises nothing.
    _mm_setcsr(mxcsr_);
    __asm__ __volatile__("fnclex\n\tfldenv %0" : : "m"(x87_env_));
#endif
}

}  // namespace quilbet
