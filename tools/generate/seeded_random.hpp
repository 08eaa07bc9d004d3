// The generator's own random numbers: xoshiro256** seeded through SplitMix64.
// Everything is integer arithmetic, so a seed gives the same sequence on every
// machine and with every compiler; the module's random generator is never
// touched (it belongs to the station build).
#pragma once

#include <cstdint>
#include <vector>

namespace quilbet {

class SeededRandom {
public:
    // The state that `seed` and the salt words (style, block count, ...) spread into.
    explicit SeededRandom(uint64_t seed, uint64_t salt = 0);

    // The next 64 random bits.
    uint64_t next();
    // A whole number in 0 .. n - 1, every value equally likely (n >= 1; n = 0 gives 0).
    uint32_t below(uint32_t n);
    // A whole number in lo .. hi inclusive (lo <= hi).
    int32_t between(int32_t lo, int32_t hi);
    // True with probability per_mille / 1000.
    bool chance(uint32_t per_mille);
    // An index drawn with the given whole-number weights; -1 when they sum to 0.
    int32_t weighted(const std::vector<uint32_t>& weights);

private:
    uint64_t s_[4];
};

}  // namespace quilbet
