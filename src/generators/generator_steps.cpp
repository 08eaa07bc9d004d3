// Shared steps of the primitive-built block generators.
#include "generators/generator_steps.hpp"

namespace quilbet {

namespace {

void shrink(typmshgrp& g, int32_t nv, int32_t nind) {
    g.pnt.resize(static_cast<size_t>(nv));
    g.ind.resize(static_cast<size_t>(nind));
}

}  // namespace

void grp_plain_material(typmshgrp& g) {
    g.diffuse = rgba_pack(255, 255, 255, 255);
    g.emissive = rgba_pack(0, 0, 0, 0);
    g.specular = rgba_pack(0, 0, 0, 0);
    g.specpow = 0.0f;
}

void grp_finish(typmshgrp& g, int32_t nv, int32_t nind, Vec3 t, Vec3 ang) {
    shrink(g, nv, nind);
    pnt_rotate_translate(g.pnt.data(), nv, t, ang);
}

void grp_finish_shifted(typmshgrp& g, int32_t nv, int32_t nind, double shift_z, Vec3 t, Vec3 ang) {
    shrink(g, nv, nind);
    pnt_rotate_translate(g.pnt.data(), nv, Vec3{0.0, 0.0, shift_z}, Vec3{});
    pnt_rotate_translate(g.pnt.data(), nv, t, ang);
}

}  // namespace quilbet
