// x87 control word and SSE MXCSR through fldcw / fnstcw and ldmxcsr.
#include "platform/fpu.hpp"

#if defined(__i386__) || defined(__x86_64__) || defined(_M_IX86) || defined(_M_X64)
#include <xmmintrin.h>
#define QUILBET_HAVE_X87 1
#endif

namespace quilbet {

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

}  // namespace quilbet
