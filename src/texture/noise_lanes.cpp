// The row sampler: its tables, the choice of lane width and the walk over a
// row (see noise_lanes.hpp). The sweeps themselves are noise_sweep.hpp,
// built for four lanes in noise_lanes_sse2.cpp and for eight in
// noise_lanes_avx2.cpp.
#include "texture/noise_lanes.hpp"

#include <cstring>

namespace quilbet {

NoiseLaneTables::NoiseLaneTables(const NoiseTables& nt) : nt(nt), grad_pairs(256 * 8, 0.0f) {
    for (int i = 0; i < 256; ++i) {
        const Vec3f& g0 = nt.noise_grad[nt.noise_perm[i]];
        const Vec3f& g1 = nt.noise_grad[nt.noise_perm[(i + 1) & 255]];
        float* e = &grad_pairs[static_cast<std::size_t>(i) * 8];
        e[0] = g0.x;
        e[1] = g1.x;
        e[2] = g0.y;
        e[3] = g1.y;
        e[4] = g0.z;
        e[5] = g1.z;
        pair[i] = static_cast<uint16_t>(nt.noise_perm[i] | nt.noise_perm[(i + 1) & 255] << 8);
    }
}

bool NoiseLanes::eight_lanes_supported() {
#ifdef QUILBET_NOISE_LANES_AVX2
    // The check covers the operating system's saving of the 256-bit registers too.
    static const bool supported = __builtin_cpu_supports("avx2") != 0;
    return supported;
#else
    return false;
#endif
}

NoiseLanes::NoiseLanes(const NoiseLaneTables& tables, int32_t octaves, double wavelength, NoiseLanePath path)
    : tables_(tables),
      nt_(tables.nt),
      octaves_(octaves),
      wavelength_(wavelength),
      lanes_(path != NoiseLanePath::four_lanes && eight_lanes_supported() ? 8 : 4),
      plan_(noise_kernel::make_octave_plan(octaves, wavelength)),
      shared_(static_cast<std::size_t>(plan_.octaves)),
      rows_(static_cast<std::size_t>(plan_.octaves)) {}

void NoiseLanes::sum(int32_t count, const Vec3* p, const Vec3* scale, double* out) {
    using namespace noise_kernel;
    if (count < 1) return;
    const Vec3 unit{1.0, 1.0, 1.0};
    const int32_t groups = (count + lanes_ - 1) / lanes_;
    const std::size_t padded = static_cast<std::size_t>(groups) * static_cast<std::size_t>(lanes_);
    base_x_.resize(padded);
    base_y_.resize(padded);
    base_z_.resize(padded);
    sums_.assign(padded, 0.0);
    plain_.assign(static_cast<std::size_t>(groups), plan_.power_of_two ? 0 : 1);
    // Lanes past the end repeat the last point; their sums are dropped.
    if (plan_.power_of_two) {
        if (lanes_ == 8) {
            prepare_eight(count, p, scale, padded);
        } else {
            prepare_four(count, p, scale, padded);
        }
        for (int32_t i = 0; i < plan_.octaves; ++i) {
            // Whole-number points times a whole factor are lattice points
            // throughout, where every octave adds nothing.
            if (whole_ && plan_.factor[i] >= 1.0f) continue;
            if (lanes_ == 8) {
                sweep_eight(i, groups);
            } else {
                sweep_four(i, groups);
            }
        }
    }
    for (int32_t group = 0; group < groups; ++group) {
        const int32_t first = group * lanes_;
        const int32_t end = count - first < lanes_ ? count : first + lanes_;
        if (plain_[static_cast<std::size_t>(group)]) {
            for (int32_t j = first; j < end; ++j) {
                out[j] = noise_sum(nt_, p[j], octaves_, scale != nullptr ? scale[j] : unit, wavelength_);
            }
        } else {
            std::memcpy(out + first, &sums_[static_cast<std::size_t>(first)],
                        static_cast<std::size_t>(end - first) * sizeof(double));
        }
    }
}

void NoiseLanes::prepare_point(std::size_t j, const Vec3& p, const Vec3* scale) {
    float b[3];
    if (!noise_kernel::octave_base(plan_, p, scale != nullptr ? *scale : Vec3{1.0, 1.0, 1.0}, b)) {
        plain_[j / static_cast<std::size_t>(lanes_)] = 1;
    }
    base_x_[j] = b[0];
    base_y_[j] = b[1];
    base_z_[j] = b[2];
}

}  // namespace quilbet
