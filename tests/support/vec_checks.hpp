// Vector comparisons and pi in double, shared by the test programs.
#pragma once

#include <numbers>

#include <gtest/gtest.h>

#include "maths/maths.hpp"

namespace quilbet {

inline constexpr double pi_d = std::numbers::pi;

// Each component of a within tol of b's.
inline void expect_vec_near(Vec3 a, Vec3 b, double tol = 1e-9) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

}  // namespace quilbet
