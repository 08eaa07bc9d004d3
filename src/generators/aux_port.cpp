// Auxiliary docking port: a tapering adaptor from the block's base section to
// a 2 x 2 section, with the docking collar on its far end.
#include "generators/assembly.hpp"
#include "generators/habitat.hpp"
#include "generators/adaptor_tank.hpp"

namespace quilbet {

int32_t gen_port(Context& ctx, typmsh& m, int32_t first, int32_t skip, double w0, double h0, double len,
                 Vec3 t, Vec3 ang) {
    if (skip != 0) return 0;
    constexpr int32_t port_groups = 2;
    if (groups_free(m, first) < port_groups) return -port_groups;

    adaptor_spec ad;
    ad.variant = 1;
    ad.bar = 0.1;
    ad.rail = 0.2;
    ad.len = len;
    ad.w0 = w0;
    ad.h0 = h0;
    ad.w1 = 2.0;
    ad.h1 = 2.0;
    ad.sw_a = ad.sw_b = ad.sw_c = 1;

    int32_t running = first;
    const int32_t adaptor = gen_adaptor(ctx, group_at(m, running), groups_free(m, running), Vec3{}, ad, Vec3{});
    if (adaptor > 0) running += adaptor;
    const int32_t collar =
        gen_port_collar(ctx, group_at(m, running), groups_free(m, running), Vec3{0, 0, len}, 0, Vec3{});
    if (collar > 0) running += collar;
    place_groups(m, first, running, t, ang);
    return running - first;
}

}  // namespace quilbet
