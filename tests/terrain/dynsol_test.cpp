// The visco-elastic contact law: defaults, normal force, friction cone, margin.
#include "terrain/dynsol.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const double kPhi0 = 0.5235987755982988;  // 30 deg
const Vec3 kZero = {0, 0, 0};
const Mat3 kId = {1, 0, 0, 0, 1, 0, 0, 0, 1};

double contact(const DynSol& s, Vec3 F, const Vec3 d, const Vec3 v)
{
    return contact_dynSol(&s, F, kZero, kId, d, v);
}

TEST(DynSol, DefaultsForStandardGravity)
{
    DynSol s;
    init_dynSol(&s, kPhi0, 9.81);
    EXPECT_NEAR(s.kN, 13080.0, 1e-9);
    EXPECT_NEAR(s.fN, 2 * sqrt(13.333333333333334 * 13080.0), 1e-9);
    EXPECT_NEAR(s.fN, 835.22, 0.005);
    EXPECT_NEAR(s.tanPhi0, 1 / sqrt(3.0), 1e-15);
    EXPECT_EQ(s.fT, 57.73502691896256);
    EXPECT_EQ(s.kT, 57.73502691896256);
}

TEST(DynSol, NoForceAtOrAboveTheGroundNorWhenLeavingFast)
{
    DynSol s;
    init_dynSol(&s, kPhi0, 9.81);
    Vec3 F = {9, 9, 9};
    const Vec3 surLeSol = {0.1, 0.2, 0.0}, v = {1, 1, -1};
    EXPECT_EQ(contact(s, F, surLeSol, v), 0.0);
    EXPECT_EQ(F[0], 0.0);
    EXPECT_EQ(F[2], 0.0);
    const Vec3 dessus = {0, 0, 0.05};
    F[2] = 9;
    EXPECT_EQ(contact(s, F, dessus, v), 0.0);
    EXPECT_EQ(F[2], 0.0);
    // slightly in the ground but rising fast: the damper would pull it down
    const Vec3 dedans = {0, 0, -0.001}, monte = {0.5, 0, 1.0};
    F[2] = 9;
    EXPECT_EQ(contact(s, F, dedans, monte), 0.0);
    EXPECT_EQ(F[0], 0.0);
    EXPECT_EQ(F[2], 0.0);
}

TEST(DynSol, OneCentimetreAtRestCarriesTheReferenceWeightWithFullMargin)
{
    DynSol s;
    init_dynSol(&s, kPhi0, 9.81);
    Vec3 F;
    const Vec3 d = {0, 0, -0.01};
    EXPECT_EQ(contact(s, F, d, kZero), 1.0);
    EXPECT_NEAR(F[2], 13.333333333333334 * 9.81, 1e-9);  // 130.8 N
    EXPECT_EQ(F[0], 0.0);
    EXPECT_EQ(F[1], 0.0);
}

TEST(DynSol, FrictionConeBoundsTheTangentialForce)
{
    DynSol s = {0.0, 1000.0, 1.0, 1.0, 0.5};  // fN, kN, fT, kT, tanPhi0
    Vec3 F;
    const Vec3 v = {0, 0, 0};
    // coefficient 0.25 along x: inside, s = 1/2
    Vec3 d = {-0.25, 0, -0.01};
    EXPECT_EQ(contact(s, F, d, v), (1 - 0.25) * (1 - 0.25));
    EXPECT_EQ(F[0], 0.25 * 10.0);
    // exactly on the cone: unscaled, no margin left
    d[0] = -0.5;
    EXPECT_EQ(contact(s, F, d, v), 0.0);
    EXPECT_EQ(F[0], 0.5 * 10.0);
    // twice the cone, along y and from the velocity: halved
    const Vec3 d2 = {0, 0, -0.01}, v2 = {0, -1.0, 0};
    EXPECT_EQ(contact(s, F, d2, v2), 0.0);
    EXPECT_EQ(F[1], 0.5 * 10.0);
    EXPECT_EQ(F[2], 10.0);
}

TEST(DynSol, ZeroConeAngleIsPureSliding)
{
    DynSol s;
    init_dynSol(&s, 0.0, 9.81);
    Vec3 F;
    const Vec3 d = {-0.1, 0.2, -0.01}, v = {0.3, 0, 0};
    EXPECT_EQ(contact(s, F, d, v), 0.0);
    EXPECT_EQ(F[0], 0.0);
    EXPECT_EQ(F[1], 0.0);
    EXPECT_GT(F[2], 0.0);
    EXPECT_FALSE(std::isnan(F[0]));
}

}  // namespace
