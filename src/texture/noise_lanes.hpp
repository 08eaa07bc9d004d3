// Octave sums of a whole row of points at once, for painters that walk rows
// of pixels. The points go through float lanes, four at a time with SSE2 or
// eight at a time with AVX2 where the processor has it (chosen at run time);
// each lane carries one point through the very same single-precision
// operations, in the same order, as noise3 does (the build never fuses a
// multiply with an add, and the eight-lane code is built for AVX2 without
// FMA), so every lane's result is noise_sum's bit for bit. The row is swept
// octave by octave, so the evaluations of neighbouring groups are independent
// of each other and overlap in the processor.
//
// The corners at X0 and X1 of each (Y, Z) row of a cell share one entry of a
// gradient-pair table, found from the row's inner hash perm[perm[Z] + Y]
// plus X0, so a cell needs four entries. Per octave, groups whose points all
// share one cell hash it once and spread its gradients across the lanes;
// groups split in two halves spread two cells' gradients; others index the
// entries lane by lane (reusing the inner hashes of the last (y, z) row when
// all lanes share it, otherwise looking them up in the pair table) and
// collect them with 4 x 4 transposes. Axes on which every lane's offset is 0
// skip their corners (see noise_sweep::blend), octaves at which all points of
// a group are lattice points add an exact zero and are skipped, and so are
// octaves that map a row of whole-number points onto lattice points. Points
// outside the range the fast path is exact for (non-power-of-two wavelengths,
// subnormal or huge products, coordinates of 2^23 and more, non-finite
// values) are computed by the plain noise_sum or noise3.
//
// The sweep is written once over a lane type (noise_sweep.hpp) and built for
// each width in its own unit, under that width's instruction set.
//
// Results equal noise_sum's for tables filled by noise_seed (finite
// gradients). Internal to src/texture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "texture/noise.hpp"
#include "texture/noise_kernel.hpp"

// The eight-lane sweep needs GCC-style target attributes and an x86 processor.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__)
#define QUILBET_NOISE_LANES_AVX2 1
#endif

namespace quilbet {

template <typename Lanes>
class NoiseSweep;

// Which lane width a sampler uses: the widest the processor runs, or one
// forced (tests compare the two). Eight lanes fall back to four where the
// processor or the build lacks AVX2.
enum class NoiseLanePath { automatic, four_lanes, eight_lanes };

// The seeded tables rearranged for the lanes; built once per seeding and
// shared by all samplers of a texture. The noise tables must outlive it and
// stay unchanged while it is used.
struct NoiseLaneTables {
    explicit NoiseLaneTables(const NoiseTables& nt);

    const NoiseTables& nt;
    uint32_t pair[256];               // perm[v] | perm[v + 1] << 8 (v + 1 modulo 256)
    // Entry v: the gradients of hashes perm[v] and perm[v + 1] (the corners
    // at X0 and X1 of one (Y, Z) row of a cell), component-wise:
    // gx, gx', gy, gy', gz, gz', 0, 0.
    std::vector<float> grad_pairs;
};

class NoiseLanes {
public:
    // The tables must outlive the sampler.
    NoiseLanes(const NoiseLaneTables& tables, int32_t octaves, double wavelength,
               NoiseLanePath path = NoiseLanePath::automatic);

    // True when this processor (and build) runs the eight-lane sweep.
    static bool eight_lanes_supported();
    // Points per group this sampler sweeps together: 4 or 8.
    int32_t lanes() const { return lanes_; }

    // out[j] = noise_sum(nt, p[j], octaves, scale[j], wavelength) for j < count;
    // a null scale means (1, 1, 1) for every point. count < 1 does nothing.
    void sum(int32_t count, const Vec3* p, const Vec3* scale, double* out);

private:
    // One octave's last cell shared by all lanes of a group and the
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

    // The sweep of noise_sweep.hpp works on the scratch and caches below.
    template <typename Lanes>
    friend class NoiseSweep;
    // Each width's sweep, in the unit compiled for its instruction set
    // (noise_lanes_sse2.cpp, noise_lanes_avx2.cpp). prepare_* fills the base
    // rows with the products P of points 0 .. padded - 1 (the last point
    // repeated past count), marks groups for the plain path and sets whole_;
    // sweep_* adds octave `octave` of every other group to its sums.
    void prepare_four(int32_t count, const Vec3* p, const Vec3* scale, std::size_t padded);
    void sweep_four(int32_t octave, int32_t groups);
    void prepare_eight(int32_t count, const Vec3* p, const Vec3* scale, std::size_t padded);
    void sweep_eight(int32_t octave, int32_t groups);
    // Point j's products through octave_base (extended precision), marking
    // its group for the plain path when they fail the plan's bounds.
    void prepare_point(std::size_t j, const Vec3& p, const Vec3* scale);
    uint32_t inner_of(HashedRow& row, uint32_t key) const;
    static uint32_t pairs_of(uint32_t inner, uint32_t key);
    uint32_t pair(uint32_t v) const { return tables_.pair[v & 255u]; }

    const NoiseLaneTables& tables_;
    const NoiseTables& nt_;
    int32_t octaves_;
    double wavelength_;
    int32_t lanes_;                     // 4 or 8
    noise_kernel::OctavePlan plan_;
    std::vector<HashedCell> shared_;    // one per octave
    std::vector<HashedRow> rows_;       // one per octave
    // Scratch of the row being summed, lanes_ points per group: the once-rounded
    // products scale * p per axis, the running sums, and whether a group
    // takes the plain path.
    std::vector<float> base_x_, base_y_, base_z_;
    std::vector<double> sums_;
    std::vector<uint8_t> plain_;
    bool whole_ = false;                // every P a whole number (and below 2^31)
};

// The hash of corner (X, Y, Z) is perm[perm[perm[Z] + Y] + X]. The inner
// hashes perm[perm[Z] + Y] of a cell's four (Y, Z) rows come from two
// lookups of neighbouring table pairs (pair(v) holds perm[v] and perm[v + 1]);
// the octave's last (y, z) row is kept, as neighbouring points mostly share it.
inline uint32_t NoiseLanes::inner_of(HashedRow& row, uint32_t key) const {
    const uint32_t yz = key >> 8;
    if (row.key != yz) {
        const uint32_t z = pair(yz >> 8);
        const uint32_t y = yz & 255u;
        row.key = yz;
        row.inner = pair((z & 255u) + y) | pair((z >> 8) + y) << 16;
    }
    return row.inner;
}

// Byte r of the result is the grad_pairs entry (inner hash of row r + X0)
// modulo 256, which holds the gradients of the row's corners at X0 and X1:
// the four sums taken bytewise without carries.
inline uint32_t NoiseLanes::pairs_of(uint32_t inner, uint32_t key) {
    const uint32_t x4 = (key & 255u) * 0x01010101u;
    return ((inner & 0x7F7F7F7Fu) + (x4 & 0x7F7F7F7Fu)) ^ ((inner ^ x4) & 0x80808080u);
}

}  // namespace quilbet
