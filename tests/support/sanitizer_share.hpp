// Under AddressSanitizer and UndefinedBehaviorSanitizer every instruction
// costs several times more. The widest sweeps of equal results (a fast form
// against its plain form, the designer against the module, a bound over
// every parameter) run in full in the release build; the sanitizer build
// takes a share of their cases, spread over every variant, enough to run the
// code paths that memory and undefined-behaviour faults hide in.
#pragma once

#include <cstdint>

namespace quilbet {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool sanitized_build = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool sanitized_build = true;
#else
inline constexpr bool sanitized_build = false;
#endif
#else
inline constexpr bool sanitized_build = false;
#endif

// Whether the sweep's case number `index` runs in this build: every case in
// a plain build, every `stride`-th under the sanitizers. A stride prime to
// the sweep's inner loop lengths spreads the share over all of them.
inline bool in_sanitizer_share(int64_t index, int64_t stride = 5) {
    return !sanitized_build || index % stride == 0;
}

}  // namespace quilbet
