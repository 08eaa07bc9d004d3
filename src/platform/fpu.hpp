// The floating-point environment the module runs in.
#pragma once

#include <cstdint>

namespace quilbet {

// x87 control word of the module: every exception masked, 64-bit significand
// (extended precision), rounding to nearest with ties to even.
inline constexpr uint16_t fpu_module_control_word = 0x133F;
// SSE control/status default: every exception masked, round to nearest, no
// flush-to-zero or denormals-are-zero.
inline constexpr uint32_t sse_default_mxcsr = 0x1F80;

// Loads cw into the x87 control word and resets MXCSR to sse_default_mxcsr,
// on x86 targets (32- and 64-bit). Elsewhere it does nothing.
void fpu_set_control_word(uint16_t cw);
// The current x87 control word; 0 on targets without an x87 unit.
uint16_t fpu_control_word();

}  // namespace quilbet
