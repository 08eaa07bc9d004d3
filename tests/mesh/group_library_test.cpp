// Colour packing and the group library: reset, copy, transforms, radius and
// the preparation of a block mesh around a generator call.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "mesh/mesh.hpp"
#include "support/vec_checks.hpp"

namespace quilbet {
namespace {

pnttyp vertex_at(float x, float y, float z) {
    pnttyp p;
    p.pos = Vec3f{x, y, z};
    p.nrm = Vec3f{0, 1, 0};
    return p;
}

typmshgrp textured_group() {
    typmshgrp g;
    g.pnt = {vertex_at(1, 2, 3), vertex_at(-1, 0, 0), vertex_at(0, 0, 5)};
    g.ind = {0, 1, 2};
    g.texw = 4;
    g.texh = 2;
    g.texpix = PixelBlock(new uint32_t[8]());
    g.texpix[3] = 0xFF0000FFu;
    g.diffuse = rgba_pack(10, 20, 30, 40);
    g.emissive = 7;
    g.specular = 9;
    g.specpow = 12.5f;
    return g;
}

TEST(Colours, PackPutsRedInTheLowestByte) {
    EXPECT_EQ(rgba_pack(1, 2, 3, 4), 0x04030201u);
    EXPECT_EQ(rgba_pack(255, 255, 255, 255), 0xFFFFFFFFu);
}

TEST(Colours, PackFractionsRoundsTiesToEvenAndWraps) {
    EXPECT_EQ(rgba_pack_f(1, 0, 0, 1), 0xFF0000FFu);
    // 0.5 * 255 = 127.5 is a tie: nearest even is 128.
    EXPECT_EQ(rgba_pack_f(0.5f, 0, 0, 0) & 0xFFu, 128u);
    // 0.2f * 255 lies just above 51.
    EXPECT_EQ((rgba_pack_f(0, 0.2f, 0, 0) >> 8) & 0xFFu, 51u);
    // Out-of-range fractions keep the low 8 bits: 2 * 255 = 510 = 0x1FE, -1 * 255 = -255 -> 0x01.
    EXPECT_EQ((rgba_pack_f(0, 0, 2.0f, 0) >> 16) & 0xFFu, 0xFEu);
    EXPECT_EQ(rgba_pack_f(0, 0, 0, -1.0f) >> 24, 0x01u);
    // A NaN channel packs as 0 instead of undefined behaviour.
    EXPECT_EQ(rgba_pack_f(std::numeric_limits<float>::quiet_NaN(), 1, 1, 1) & 0xFFu, 0u);
}

TEST(GroupLibrary, ResetForgetsTheTextureButKeepsItsSize) {
    typmshgrp g = textured_group();
    const PixelBlock keep = g.texpix;
    typmshgrp h;
    grp_copy(h, g);
    grp_reset(g);
    EXPECT_TRUE(g.pnt.empty());
    EXPECT_TRUE(g.ind.empty());
    EXPECT_EQ(g.texpix, nullptr);
    EXPECT_EQ(g.texw, 4);
    EXPECT_EQ(g.texh, 2);
    EXPECT_EQ(g.diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(g.emissive, 0u);
    EXPECT_EQ(g.specular, 0u);
    EXPECT_EQ(g.specpow, 0.0f);
    // The copy still holds the pixels.
    EXPECT_EQ(h.texpix[3], 0xFF0000FFu);
    EXPECT_EQ(keep.use_count(), 2);
}

TEST(GroupLibrary, CopySharesThePixelBlock) {
    const typmshgrp g = textured_group();
    typmshgrp h;
    h.pnt.resize(10);
    grp_copy(h, g);
    EXPECT_EQ(h.texpix.get(), g.texpix.get());
    ASSERT_EQ(h.pnt.size(), 3u);
    EXPECT_EQ(h.pnt[2].pos.z, 5.0f);
    EXPECT_EQ(h.ind, g.ind);
    EXPECT_EQ(h.diffuse, g.diffuse);
    EXPECT_EQ(h.specpow, 12.5f);
    EXPECT_EQ(h.texw, 4);
}

TEST(GroupLibrary, MeshCopyFromUnusedMeshChangesOnlyUsed) {
    typmsh dst;
    dst.used = 1;
    dst.grpcnt = 1;
    dst.grp = {textured_group()};
    const typmsh src;
    msh_copy(dst, src);
    EXPECT_EQ(dst.used, 0);
    EXPECT_EQ(dst.grpcnt, 1);
    ASSERT_EQ(dst.grp.size(), 1u);
    EXPECT_EQ(dst.grp[0].pnt.size(), 3u);
}

TEST(GroupLibrary, MeshCopyCopiesEveryGroup) {
    typmsh src;
    src.used = 1;
    src.grpcnt = 2;
    src.grp = {textured_group(), typmshgrp{}};
    typmsh dst;
    msh_copy(dst, src);
    EXPECT_EQ(dst.used, 1);
    EXPECT_EQ(dst.grpcnt, 2);
    ASSERT_EQ(dst.grp.size(), 2u);
    EXPECT_EQ(dst.grp[0].texpix.get(), src.grp[0].texpix.get());
}

TEST(Transforms, ZeroAnglesOnlyTranslate) {
    pnttyp v[2] = {vertex_at(1, 2, 3), vertex_at(-0.0f, 0, 0)};
    pnt_rotate_translate(v, 2, Vec3{0.1, 0, -1}, Vec3{0, 0, 0});
    EXPECT_EQ(v[0].pos.x, float(1.0L + 0.1f));
    EXPECT_EQ(v[0].pos.z, 2.0f);
    EXPECT_EQ(v[0].nrm.y, 1.0f);
    EXPECT_EQ(v[1].nrm.x, 0.0f);

    pnttyp w = vertex_at(1, 2, 3);
    pnt_place(&w, 1, Vec3{1, 1, 1}, Quat{0, 0, 0, 1});
    EXPECT_EQ(w.pos.x, 2.0f);
    EXPECT_EQ(w.pos.y, 3.0f);
    EXPECT_EQ(w.pos.z, 4.0f);
    EXPECT_EQ(w.nrm.y, 1.0f);
}

TEST(Transforms, QuarterTurnAboutX) {
    pnttyp v = vertex_at(0, 1, 0);
    pnt_rotate_translate(&v, 1, Vec3{0, 0, 0}, Vec3{pi_d / 2, 0, 0});
    EXPECT_TRUE(vecf_equal(v.pos, Vec3f{0, 0, 1}));
    EXPECT_TRUE(vecf_equal(v.nrm, Vec3f{0, 0, 1}));
}

TEST(Transforms, RotationsApplyInOrderXYZ) {
    // x first: (0, 1, 0) -> (0, 0, 1); then y: -> (1, 0, 0); then z: -> (0, 1, 0).
    pnttyp v = vertex_at(0, 1, 0);
    pnt_rotate_translate(&v, 1, Vec3{0, 0, 5}, Vec3{pi_d / 2, pi_d / 2, pi_d / 2});
    EXPECT_TRUE(vecf_equal(v.pos, Vec3f{0, 1, 5}));
    // Had z come first: (0, 1, 0) -> (-1, 0, 0) -> x: same -> y: (0, 0, 1).
    EXPECT_FALSE(vecf_equal(v.pos, Vec3f{0, 0, 6}));
}

TEST(Transforms, PlaceIsTheActiveQuaternionRotation) {
    const Quat q = quat_normalize(Quat{0.2, -0.5, 0.7, 0.4});
    pnttyp v = vertex_at(1.5f, -2, 0.25f);
    v.nrm = Vec3f{0, 0, 1};
    pnt_place(&v, 1, Vec3{10, 0, 0}, q);
    const Vec3 p = quat_rotate(q, Vec3{1.5, -2, 0.25});
    const Vec3 n = quat_rotate(q, Vec3{0, 0, 1});
    EXPECT_TRUE(vecf_equal(v.pos, vecf_make(p.x + 10, p.y, p.z)));
    EXPECT_TRUE(vecf_equal(v.nrm, vec_to_f(n)));
}

TEST(Transforms, ScaleLeavesNormals) {
    pnttyp v = vertex_at(1, 2, 3);
    pnt_scale(&v, 1, Vec3{2, 0.5, -1});
    EXPECT_EQ(v.pos.x, 2.0f);
    EXPECT_EQ(v.pos.y, 1.0f);
    EXPECT_EQ(v.pos.z, -3.0f);
    EXPECT_EQ(v.nrm.y, 1.0f);
}

TEST(Radius, OfRunsAndMeshes) {
    EXPECT_EQ(pnt_radius(nullptr, 0), 0.0);
    pnttyp v = vertex_at(3, 4, 0);
    EXPECT_EQ(pnt_radius(&v, 1), 5.0);
    typmsh m;
    EXPECT_EQ(msh_radius(m), 0.0);
    m.grpcnt = 2;
    m.grp.resize(2);
    m.grp[1].pnt = {vertex_at(0, 0, -7), vertex_at(1, 1, 1)};
    EXPECT_EQ(msh_radius(m), 7.0);
    m.grpcnt = 1;
    EXPECT_EQ(msh_radius(m), 0.0);
    m.grpcnt = 50;  // more than the array holds: measured over what exists
    EXPECT_EQ(msh_radius(m), 7.0);
}

TEST(MeshPreparation, PrepareGivesTwoHundredEmptyGroups) {
    typmsh m;
    msh_prepare(m);
    EXPECT_EQ(m.used, 1);
    EXPECT_EQ(m.grpcnt, 200);
    ASSERT_EQ(m.grp.size(), 200u);
    for (const typmshgrp& g : m.grp) {
        EXPECT_TRUE(g.pnt.empty());
        EXPECT_EQ(g.diffuse, 0xFFFFFFFFu);
    }
    m.grp[0] = textured_group();
    m.grp[150].pnt = {vertex_at(0, 9, 0)};  // beyond the generator's count
    EXPECT_EQ(msh_finish(m, 2), 9.0);
    EXPECT_EQ(m.grpcnt, 2);
    ASSERT_EQ(m.grp.size(), 2u);
    EXPECT_EQ(m.grp[0].pnt.size(), 3u);

    // Reused: the groups in use are reset, the texture reference dropped.
    const PixelBlock pixels = m.grp[0].texpix;
    msh_prepare(m);
    EXPECT_EQ(m.grpcnt, 200);
    EXPECT_EQ(m.grp[0].texpix, nullptr);
    EXPECT_EQ(m.grp[0].texw, 4);
    EXPECT_EQ(pixels.use_count(), 1);
}

TEST(MeshPreparation, FinishClampsAFailedGeneratorCount) {
    typmsh m;
    msh_prepare(m);
    msh_finish(m, -1);
    EXPECT_EQ(m.grpcnt, 0);
    EXPECT_TRUE(m.grp.empty());
    msh_prepare(m);
    msh_finish(m, 500);
    EXPECT_EQ(m.grpcnt, 200);
    EXPECT_EQ(m.grp.size(), 200u);
}

}  // namespace
}  // namespace quilbet
