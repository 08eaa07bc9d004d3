// xoshiro256** (Blackman and Vigna), seeded by SplitMix64.
#include "generate/seeded_random.hpp"

#include <cstddef>

namespace quilbet {
namespace {

uint64_t splitmix(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

}  // namespace

SeededRandom::SeededRandom(uint64_t seed, uint64_t salt) {
    // The salt goes through one SplitMix step of its own so that neighbouring
    // (seed, salt) pairs start far apart; an all-zero state cannot arise.
    uint64_t x = seed;
    uint64_t y = salt;
    const uint64_t mixed_salt = splitmix(y);
    x ^= mixed_salt;
    for (uint64_t& w : s_) w = splitmix(x);
}

uint64_t SeededRandom::next() {
    const uint64_t result = rotl(s_[1] * 5, 7) * 9;
    const uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotl(s_[3], 45);
    return result;
}

uint32_t SeededRandom::below(uint32_t n) {
    if (n <= 1) return 0;
    // Rejection keeps every value equally likely: draws from the incomplete
    // last block of n values are thrown away.
    const uint64_t limit = UINT64_MAX - UINT64_MAX % n;
    uint64_t r = next();
    while (r >= limit) r = next();
    return static_cast<uint32_t>(r % n);
}

int32_t SeededRandom::between(int32_t lo, int32_t hi) {
    if (hi <= lo) return lo;
    return lo + static_cast<int32_t>(below(static_cast<uint32_t>(hi - lo) + 1));
}

bool SeededRandom::chance(uint32_t per_mille) { return below(1000) < per_mille; }

int32_t SeededRandom::weighted(const std::vector<uint32_t>& weights) {
    uint64_t total = 0;
    for (uint32_t w : weights) total += w;
    if (total == 0) return -1;
    // Weights sum far below 2^32 in practice; larger sums are drawn in 64 bits.
    uint64_t r = total <= UINT32_MAX ? below(static_cast<uint32_t>(total)) : next() % total;
    for (std::size_t i = 0; i < weights.size(); ++i) {
        if (r < weights[i]) return static_cast<int32_t>(i);
        r -= weights[i];
    }
    return static_cast<int32_t>(weights.size()) - 1;
}

}  // namespace quilbet
