// Octave sums for the painters, which sample one sum at neighbouring pixels
// over and over. The sampler works out the octave sample points once per
// (octaves, wavelength); it keeps, per octave, the eight corner gradients of
// the last lattice cell visited (neighbouring pixels mostly share the cells of
// the low octaves, so the hashing is mostly skipped); it skips lattice
// points, where an octave adds an exact zero; and on x86 it evaluates the
// eight corners four at a time with SSE2, each lane doing the very same
// single-precision operation as the scalar definition.
//
// Its results are those of noise_sum / noise_fold bit for bit, for tables
// filled by noise_seed (finite gradients). Internal to src/texture.
#pragma once

#include <cstdint>

#include "texture/noise.hpp"
#include "texture/noise_kernel.hpp"

namespace quilbet {

class NoiseSampler {
public:
    // The tables must outlive the sampler and stay unchanged while it is used.
    NoiseSampler(const NoiseTables& nt, int32_t octaves, double wavelength);

    // noise_sum(nt, p, octaves, scale, wavelength).
    double sum(Vec3 p, Vec3 scale);
    // noise_fold(nt, p, octaves, scale, wavelength).
    double fold(Vec3 p, Vec3 scale);

private:
    // The corner gradients of one cell, component by component, corners in
    // the order 000, 100, 010, 110, 001, 101, 011, 111.
    struct CellGradients {
        uint32_t key = 0xFFFFFFFFu;   // x | y << 8 | z << 16 of the cell; none yet
        alignas(16) float gx[8] = {};
        alignas(16) float gy[8] = {};
        alignas(16) float gz[8] = {};
    };

    const CellGradients& cell(int32_t octave, uint32_t x, uint32_t y, uint32_t z);
    void fill(CellGradients& c, uint32_t key, uint32_t x, uint32_t y, uint32_t z) const;
    float octave_value(int32_t octave, float x, float y, float z, bool& lattice_point);

    const NoiseTables& nt_;
    noise_kernel::OctavePlan plan_;
    CellGradients cache_[33];
};

}  // namespace quilbet
