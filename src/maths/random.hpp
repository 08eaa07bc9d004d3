// The module-wide linear congruential generator from which every random choice
// of quilbet is drawn. Its sequence depends only on its 32-bit state, which
// starts at 0: from there the states run 12345, 3554416254, 2802067423, ...
#pragma once

#include <cstdint>

namespace quilbet {

class Random {
public:
    // Advances the state and returns state / 2^32 in extended precision: [0, 1).
    long double random_fraction();
    // nearest(random_fraction() * (n - 1)), ties to even: 0 .. n - 1, the two
    // end values half as likely as the others. Always draws exactly one number.
    int32_t random_int(int32_t n);
    // Moves the state on by n draws, as n calls of random_fraction would, without
    // computing the numbers (start-up skips the draws of builds it defers).
    void advance(uint32_t n);

    // Only the noise seeding saves, sets and restores the state.
    uint32_t state() const { return state_; }
    void set_state(uint32_t s) { state_ = s; }

private:
    // One step of the generator: state = state * 1103515245 + 12345.
    void step();

    uint32_t state_ = 0;
};

}  // namespace quilbet
