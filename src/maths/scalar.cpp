// Scalar helpers and the defined float-to-integer conversions.
#include <cmath>
#include <limits>

#include "maths/maths.hpp"

namespace quilbet {

int32_t int_max(int32_t a, int32_t b) { return a > b ? a : b; }
int32_t int_min(int32_t a, int32_t b) { return a < b ? a : b; }

long double arccos(long double x) { return std::atan2(std::sqrt(1.0L - x * x), x); }
long double arcsin(long double x) { return std::atan2(x, std::sqrt(1.0L - x * x)); }
long double atan2_ext(long double y, long double x) { return std::atan2(y, x); }
long double log2(long double x) { return std::log2(x); }

long double power(long double base, long double exponent) {
    if (base <= 0) return 1.0L;
    return std::exp(exponent * std::log(base));
}

long double angle_of(long double y, long double x) {
    if (x == 0) {
        if (y == 0) return 0;
        return y > 0 ? pi_ext / 2 : -pi_ext / 2;
    }
    const long double a = std::atan(y / x);
    if (x > 0) return a;
    return y >= 0 ? a + pi_ext : a - pi_ext;
}

// std::rint rounds in the current mode, which is nearest-even everywhere in quilbet
// (it may raise the inexact flag, which is masked; nearbyint costs ten times more).
int32_t nearest_i32(long double x) {
    if (!(x > -2147483648.5L && x < 2147483647.5L)) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(std::rint(x));
}

int64_t nearest_i64(long double x) {
    if (!(x >= -9223372036854775808.0L && x < 9223372036854775808.0L)) {
        return std::numeric_limits<int64_t>::min();
    }
    const long double r = std::rint(x);
    if (r >= 9223372036854775808.0L) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(r);
}

int32_t nearest_low32(long double x) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(nearest_i64(x))));
}

int32_t trunc_i32(long double x) {
    if (!(x > -2147483649.0L && x < 2147483648.0L)) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(x);
}

}  // namespace quilbet
