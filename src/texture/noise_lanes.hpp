// Octave sums of four points at once, for painters that walk a row of
// pixels. Each of the four SSE2 float lanes carries one point through the
// very same single-precision operations, in the same order, as noise3 does
// (the build never fuses a multiply with an add), so every lane's result is
// noise_sum's bit for bit.
//
// Per octave the lanes that share one lattice cell (the slow octaves of a
// row) read that cell's corner gradients from a per-octave cache, already
// spread across the lanes; lanes in different cells hash their corners one
// by one and gather the gradients with a 4 x 4 transpose. Octaves at which
// all four points are lattice points add an exact zero and are skipped.
// Sample points outside the range the fast path is exact for (non-power-of-two
// wavelengths, subnormal or huge products, coordinates of 2^23 and more,
// non-finite values) are computed by the plain noise_sum.
//
// Results equal noise_sum's for tables filled by noise_seed (finite
// gradients). Internal to src/texture.
#pragma once

#include <cstdint>
#include <vector>

#include "texture/noise.hpp"
#include "texture/noise_kernel.hpp"

namespace quilbet {

class NoiseLanes {
public:
    static constexpr int lanes = 4;

    // The tables must outlive the sampler and stay unchanged while it is used.
    NoiseLanes(const NoiseTables& nt, int32_t octaves, double wavelength);

    // out[j] = noise_sum(nt, p[j], octaves, scale[j], wavelength) for j = 0 .. 3.
    void sum(const Vec3 p[lanes], const Vec3 scale[lanes], double out[lanes]);
    // The same with scale (1, 1, 1) on every lane.
    void sum(const Vec3 p[lanes], double out[lanes]);

private:
    // One octave's last shared cell: each corner gradient component repeated
    // in four lanes, rows gx of corners 0-7, then gy, then gz.
    struct SharedCell {
        uint32_t key = 0xFFFFFFFFu;   // x | y << 8 | z << 16; none yet
        float g[24][4] = {};
    };
    // One octave's last (y, z) lattice row, for lanes that do not share a
    // cell: the inner hashes perm[perm[Z] + Y] of its four (Y, Z) corners.
    struct HashedRow {
        uint32_t key = 0xFFFFFFFFu;   // y | z << 8; none yet
        uint32_t inner = 0;           // (Y0, Z0), (Y1, Z0), (Y0, Z1), (Y1, Z1) in bytes 0 .. 3
    };

    void sum_lanes(const Vec3 p[lanes], const Vec3* scale, double out[lanes]);
    void fill_shared(SharedCell& c, uint32_t key) const;
    uint64_t hashes(int32_t octave, uint32_t key);
    uint32_t pair(uint32_t v) const { return pair_[v & 255u]; }

    const NoiseTables& nt_;
    int32_t octaves_;
    double wavelength_;
    noise_kernel::OctavePlan plan_;
    std::vector<float> grad4_;          // 256 gradients as (x, y, z, 0)
    std::vector<SharedCell> shared_;    // one per octave
    std::vector<HashedRow> hashed_;     // one per octave
    uint16_t pair_[256];                // perm[v] | perm[v + 1] << 8 (v + 1 modulo 256)
};

}  // namespace quilbet
