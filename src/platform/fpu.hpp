// The floating-point environment the module runs in, and the scope that
// gives it to the module at every entry while the host keeps its own.
#pragma once

#include <cstdint>

namespace quilbet {

// x87 control word of the module: every exception masked, 64-bit significand
// (extended precision), rounding to nearest with ties to even.
inline constexpr uint16_t fpu_module_control_word = 0x133F;
// SSE control/status default: every exception masked, round to nearest, no
// flush-to-zero or denormals-are-zero.
inline constexpr uint32_t sse_default_mxcsr = 0x1F80;

// The two control registers: the x87 control word and MXCSR's control bits
// (its six exception flags cleared).
struct FpuControl {
    uint16_t x87 = fpu_module_control_word;
    uint32_t mxcsr = sse_default_mxcsr;
};

// Loads cw into the x87 control word and resets MXCSR to sse_default_mxcsr,
// on x86 targets (32- and 64-bit). Elsewhere it does nothing.
void fpu_set_control_word(uint16_t cw);
// The current x87 control word; 0 on targets without an x87 unit.
uint16_t fpu_control_word();
// The calling thread's control registers (FpuControl{} off x86).
FpuControl fpu_control();

// For its lifetime the calling thread computes under `control` (the module's
// by default): the constructor saves the whole x87 environment (control word,
// status flags) and MXCSR as they are and loads `control`; the destructor
// clears whatever flags the work inside raised and puts back exactly what it
// saved, also when an exception unwinds through it. With every exception
// masked inside, a host that unmasks them or lowers the x87 precision gets
// the same results as any other, and its own state back. Off x86 it does nothing.
class FpuScope {
public:
    explicit FpuScope(FpuControl control = FpuControl{}) noexcept;
    ~FpuScope();
    FpuScope(const FpuScope&) = delete;
    FpuScope& operator=(const FpuScope&) = delete;

private:
    alignas(4) uint8_t x87_env_[28] = {};  // fnstenv's 32-bit layout (also in 64-bit mode)
    uint32_t mxcsr_ = 0;
};

}  // namespace quilbet
