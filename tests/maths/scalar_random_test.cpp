// Scalar helpers, the defined float-to-integer conversions, the extended
// precision they rely on, and the linear congruential generator.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "maths/maths.hpp"
#include "maths/random.hpp"
#include "support/vec_checks.hpp"

namespace quilbet {
namespace {

constexpr int32_t i32_min = std::numeric_limits<int32_t>::min();
constexpr int64_t i64_min = std::numeric_limits<int64_t>::min();

TEST(Scalar, AngleOfCoversTheFullCircle) {
    EXPECT_DOUBLE_EQ(double(angle_of(0, -1)), pi_d);
    EXPECT_EQ(angle_of(0, 0), 0);
    EXPECT_DOUBLE_EQ(double(angle_of(1, 0)), pi_d / 2);
    EXPECT_DOUBLE_EQ(double(angle_of(-1, 0)), -pi_d / 2);
    EXPECT_DOUBLE_EQ(double(angle_of(-1, -1)), -3 * pi_d / 4);
    EXPECT_DOUBLE_EQ(double(angle_of(1, -1)), 3 * pi_d / 4);
}

TEST(Scalar, PowerIsOneForNonPositiveBase) {
    EXPECT_EQ(power(0, 2), 1.0L);
    EXPECT_EQ(power(-8, 1.0L / 3), 1.0L);
    EXPECT_NEAR(double(power(2, 10)), 1024.0, 1e-9);
}

TEST(Scalar, ArcFunctions) {
    EXPECT_NEAR(double(arccos(0)), pi_d / 2, 1e-15);
    EXPECT_NEAR(double(arccos(-1)), pi_d, 1e-15);
    EXPECT_NEAR(double(arcsin(1)), pi_d / 2, 1e-15);
    EXPECT_NEAR(double(arcsin(-0.5L)), -pi_d / 6, 1e-15);
}

TEST(Conversions, NearestRoundsTiesToEven) {
    EXPECT_EQ(nearest_i32(2.5L), 2);
    EXPECT_EQ(nearest_i32(3.5L), 4);
    EXPECT_EQ(nearest_i32(-2.5L), -2);
    EXPECT_EQ(nearest_i32(-0.5L), 0);
    EXPECT_EQ(nearest_i32(2147483647.0L), 2147483647);
    EXPECT_EQ(nearest_i32(-2147483648.0L), i32_min);
    EXPECT_EQ(nearest_i64(4.5L), 4);
    EXPECT_EQ(nearest_i64(-1e18L), -1000000000000000000LL);
    EXPECT_EQ(trunc_i32(-2.9L), -2);
    EXPECT_EQ(trunc_i32(2.9L), 2);
}

TEST(Conversions, NonFiniteAndHugeValuesGiveTheIndefiniteInteger) {
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    const long double inf = std::numeric_limits<long double>::infinity();
    for (long double x : {nan, inf, -inf, 1e30L, -1e30L, 2147483648.0L, -2147483649.0L}) {
        EXPECT_EQ(nearest_i32(x), i32_min) << double(x);
        EXPECT_EQ(trunc_i32(x), i32_min) << double(x);
    }
    for (long double x : {nan, inf, -inf, 1e30L, -1e30L, 9223372036854775808.0L}) {
        EXPECT_EQ(nearest_i64(x), i64_min) << double(x);
        EXPECT_EQ(nearest_low32(x), 0) << double(x);
    }
    // 2147483647.5 is a tie that rounds up out of range.
    EXPECT_EQ(nearest_i32(2147483647.5L), i32_min);
    EXPECT_EQ(trunc_i32(2147483647.5L), 2147483647);
}

TEST(Conversions, NearestLow32KeepsTheLowWord) {
    EXPECT_EQ(nearest_low32(4294967296.0L + 5), 5);
    EXPECT_EQ(nearest_low32(4294967295.0L), -1);
    EXPECT_EQ(nearest_low32(-1.0L), -1);
    EXPECT_EQ(nearest_low32(6442450944.5L), int32_t(0x80000000u));  // tie to even
}

// The product r * 2456324562 for the state 3461285300 rounds to different
// integers in double and in extended precision; the extended one is meant.
TEST(ExtendedPrecision, RandomProductRoundsFromTheExtendedValue) {
    Random rnd;
    long double r = 0;
    for (int i = 0; i < 641628; ++i) r = rnd.random_fraction();
    ASSERT_EQ(rnd.state(), 3461285300u);
    const double r_double = double(rnd.state()) / 4294967296.0;
    EXPECT_EQ(std::llrint(r_double * 2456324562.0), 1979535468);  // what double would give
    EXPECT_EQ(nearest_low32(r * 2456324562.0L), 1979535469);
}

// Lattice positions 2i/(n - 1) - 1 are rounded once to float. For n = 61
// several indices come out differently when the arithmetic runs in float.
TEST(ExtendedPrecision, LatticeCoordRoundsOnce) {
    EXPECT_EQ(lattice_coord(0, 61), -1.0f);
    EXPECT_EQ(lattice_coord(30, 61), 0.0f);
    EXPECT_EQ(lattice_coord(60, 61), 1.0f);
    EXPECT_EQ(lattice_coord(10, 61), -0.66666666666666667f);  // float arithmetic: -0.666666627
    EXPECT_EQ(lattice_coord(27, 61), -0.1f);                  // float arithmetic: -0.100000024
    EXPECT_EQ(lattice_coord(59, 61), 0.96666666666666667f);   // float arithmetic: 0.966666698
    volatile float q = float(2 * 10) / float(60);
    EXPECT_NE(lattice_coord(10, 61), q - 1.0f);
    EXPECT_EQ(lattice_coord(0, 1), -1.0f);
    for (int32_t i = 0; i < 61; ++i) {
        EXPECT_EQ(lattice_coord(i, 61), -lattice_coord(60 - i, 61)) << i;
    }
}

TEST(Random, SequenceFromStateZero) {
    Random rnd;
    EXPECT_EQ(rnd.random_fraction(), 12345.0L / 4294967296.0L);
    EXPECT_EQ(rnd.state(), 12345u);
    const long double f2 = rnd.random_fraction();
    EXPECT_EQ(rnd.state(), 3554416254u);
    EXPECT_NEAR(double(f2), 0.82757, 1e-5);
    const long double f3 = rnd.random_fraction();
    EXPECT_EQ(rnd.state(), 2802067423u);
    EXPECT_NEAR(double(f3), 0.65240, 1e-5);
}

TEST(Random, RandomIntOfOneIsZeroAndAdvances) {
    Random rnd;
    uint32_t previous = rnd.state();
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(rnd.random_int(1), 0);
        EXPECT_NE(rnd.state(), previous);
        previous = rnd.state();
    }
}

TEST(Random, RandomIntStaysInRange) {
    for (int32_t n : {2, 3, 7, 10, 256, 1000}) {
        Random rnd;
        std::vector<int> hits(size_t(n), 0);
        for (int i = 0; i < 200000; ++i) {
            const int32_t v = rnd.random_int(n);
            ASSERT_GE(v, 0);
            ASSERT_LT(v, n);
            ++hits[size_t(v)];
        }
        if (n <= 256) {
            for (int32_t v = 0; v < n; ++v) EXPECT_GT(hits[size_t(v)], 0) << n << " " << v;
        }
    }
}

TEST(Random, RandomInt256IsZeroOnlyBelowHalfAStep) {
    Random rnd, shadow;
    int zeros = 0;
    for (int i = 0; i < 300000; ++i) {
        const long double r = shadow.random_fraction();
        const int32_t v = rnd.random_int(256);
        ASSERT_NE(v, 256);
        EXPECT_EQ(v == 0, r < 0.5L / 255) << r;
        zeros += v == 0;
    }
    EXPECT_GT(zeros, 0);
}

TEST(Random, SameStateSameSequence) {
    Random a, b;
    a.set_state(987654321u);
    b.set_state(987654321u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(a.random_int(97), b.random_int(97));
}

}  // namespace
}  // namespace quilbet
