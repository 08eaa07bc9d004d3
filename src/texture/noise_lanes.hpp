// Octave sums of a whole row of points at once, for painters that walk rows
// of pixels. The points go through four SSE2 float lanes; each lane carries
// one point through the very same single-precision operations, in the same
// order, as noise3 does (the build never fuses a multiply with an add), so
// every lane's result is noise_sum's bit for bit. The row is swept octave by
// octave, so the evaluations of neighbouring groups of four are independent
// of each other and overlap in the processor.
//
// The corners at X0 and X1 of each (Y, Z) row of a cell share one entry of a
// gradient-pair table, found from the row's inner hash perm[perm[Z] + Y]
// plus X0, so a cell needs four entries. Per octave, groups whose four points
// share one cell hash it once and spread its gradients across the lanes;
// groups split two and two spread two cells' gradients; others index the
// entries lane by lane (reusing the inner hashes of the last (y, z) row) and
// gather them with 4 x 4 transposes. Axes on which every lane's offset is 0
// skip their corners (see blend4), octaves at which all four points are
// lattice points add an exact zero and are skipped, and so are octaves that
// map a row of whole-number points onto lattice points. Points outside the
// range the fast path is exact for (non-power-of-two wavelengths, subnormal
// or huge products, coordinates of 2^23 and more, non-finite values) are
// computed by the plain noise_sum or noise3.
//
// Results equal noise_sum's for tables filled by noise_seed (finite
// gradients). Internal to src/texture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "texture/noise.hpp"
#include "texture/noise_kernel.hpp"

namespace quilbet {

// The seeded tables rearranged for the lanes; built once per seeding and
// shared by all samplers of a texture. The noise tables must outlive it and
// stay unchanged while it is used.
struct NoiseLaneTables {
    explicit NoiseLaneTables(const NoiseTables& nt);

    const NoiseTables& nt;
    uint16_t pair[256];               // perm[v] | perm[v + 1] << 8 (v + 1 modulo 256)
    // Entry v: the gradients of hashes perm[v] and perm[v + 1] (the corners
    // at X0 and X1 of one (Y, Z) row of a cell), component-wise:
    // gx, gx', gy, gy', gz, gz', 0, 0.
    std::vector<float> grad_pairs;
};

class NoiseLanes {
public:
    // The tables must outlive the sampler.
    NoiseLanes(const NoiseLaneTables& tables, int32_t octaves, double wavelength);

    // out[j] = noise_sum(nt, p[j], octaves, scale[j], wavelength) for j < count;
    // a null scale means (1, 1, 1) for every point. count < 1 does nothing.
    void sum(int32_t count, const Vec3* p, const Vec3* scale, double* out);

private:
    // One octave's last cell shared by all four lanes of a group and the
    // gradient-pair entries of its corners (see pairs_of).
    struct HashedCell {
        uint32_t key = 0xFFFFFFFFu;   // x | y << 8 | z << 16; none yet
        uint32_t pairs = 0;
    };
    // One octave's last (y, z) lattice row, for lanes that do not share a
    // cell: the inner hashes perm[perm[Z] + Y] of its four (Y, Z) corners.
    struct HashedRow {
        uint32_t key = 0xFFFFFFFFu;   // y | z << 8; none yet
        uint32_t inner = 0;           // (Y0, Z0), (Y1, Z0), (Y0, Z1), (Y1, Z1) in bytes 0 .. 3
    };

    void prepare(int32_t count, const Vec3* p, const Vec3* scale, std::size_t padded);
    template <bool Scaled>
    void prepare_points(int32_t count, const Vec3* p, const Vec3* scale, std::size_t padded);
    void prepare_point(std::size_t j, const Vec3& p, const Vec3* scale);
    void sweep_octave(int32_t octave, int32_t groups);
    uint32_t inner_of(HashedRow& row, uint32_t key) const;
    static uint32_t pairs_of(uint32_t inner, uint32_t key);
    uint32_t pair(uint32_t v) const { return tables_.pair[v & 255u]; }

    const NoiseLaneTables& tables_;
    const NoiseTables& nt_;
    int32_t octaves_;
    double wavelength_;
    noise_kernel::OctavePlan plan_;
    std::vector<HashedCell> shared_;    // one per octave
    std::vector<HashedRow> rows_;       // one per octave
    // Scratch of the row being summed, four lanes per group: the once-rounded
    // products scale * p per axis, the running sums, and whether a group
    // takes the plain path.
    std::vector<float> base_x_, base_y_, base_z_;
    std::vector<double> sums_;
    std::vector<uint8_t> plain_;
    bool whole_ = false;                // every P a whole number (and below 2^31)
};

}  // namespace quilbet
