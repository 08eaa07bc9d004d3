// Linear congruential generator: state = state * 1103515245 + 12345 (mod 2^32).
#include "maths/random.hpp"

#include "maths/maths.hpp"

namespace quilbet {

void Random::step() { state_ = state_ * 1103515245u + 12345u; }

long double Random::random_fraction() {
    step();
    return static_cast<long double>(state_) / 4294967296.0L;
}

void Random::advance(uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) step();
}

int32_t Random::random_int(int32_t n) {
    const long double r = random_fraction();
    return nearest_i32(r * static_cast<long double>(n - 1));
}

}  // namespace quilbet
