// Piloting: Ackermann law, kinematic steps, dynamic driving on flat ground
// (rest, straight line, turn), macro soil, integration limits, wheel tracks.
#include "rover/piloting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "dynamics/support.h"
#include "terrain/dynsol.h"
#include "terrain/mnt.h"
#include "terrain/zonesol.h"

namespace {

// a flat terrain with the simplified soil, or the macro soil's default zone
struct FlatGround {
    Mnt mnt;
    DynSol sol;
    ZonesSol* zones = nullptr;

    explicit FlatGround(int macro = 0)
    {
        std::memset(&mnt, 0, sizeof mnt);
        defauts_mnt(&mnt);
        mnt.typeMNT = MntPlat;
        mnt.hBosses = 0.0;
        EXPECT_EQ(new_mnt(&mnt), 0);
        if (macro) {
            zones = nouvellesZones(nullptr);
            mnt.typeDyn = SolMacro;
            mnt.sol = zones;
        } else {
            init_dynSol(&sol, 0.5235987755982988, 9.81);
            mnt.sol = &sol;
        }
    }
    ~FlatGround()
    {
        libere_mnt(&mnt);
        if (zones) {
            libereZones(zones);
            std::free(zones);
        }
    }
};

DynRover* rover_on(const Mnt* mnt)
{
    DynRover* d = make_rover(1.0, 0.0, 0, 0);
    EXPECT_EQ(place_on_ground(&d->conf, mnt), nullptr);
    dyn_reset(d);
    return d;
}

// runs dyn_step for a duration; false on a message
bool drive(DynRover* d, const Mnt* mnt, double cDes, double vDes, double seconds,
           double dt = 0.04)
{
    int n = (int)std::lround(seconds / dt);
    for (int k = 0; k < n; ++k)
        if (const char* m = dyn_step(d, mnt, cDes, vDes, dt)) {
            ADD_FAILURE() << "dyn_step: " << m;
            return false;
        }
    return true;
}

// forward speed of the body origin along its heading, m/s
double forward_speed(const DynRover* d)
{
    double psi = d->conf.att[ATT_AZIMUT];
    return -std::sin(psi) * d->vit[0] + std::cos(psi) * d->vit[1];
}

} // namespace

// ---- Ackermann and kinematic steps ---------------------------------------------

TEST(Kinematic, StraightLineMovesAlongTheHeadingAndTurnsEveryWheelAlike)
{
    ConfRover* cr = new_confRover(1.0, 0.0, 0);
    ASSERT_NE(cr, nullptr);
    cr->att[ATT_AZIMUT] = 0.3;
    ASSERT_EQ(place_on_ground(cr, nullptr), nullptr);
    double x0 = cr->pos[0], y0 = cr->pos[1];
    double q0[21];
    std::memcpy(q0, cr->q, sizeof q0);
    ASSERT_EQ(kin_step(cr, nullptr, 0.0, 0.05, 0.04), nullptr);
    double ds = 0.05 * 0.04;
    EXPECT_NEAR(cr->pos[0] - x0, -std::sin(0.3) * ds, 1e-15);
    EXPECT_NEAR(cr->pos[1] - y0, std::cos(0.3) * ds, 1e-15);
    EXPECT_DOUBLE_EQ(cr->att[ATT_AZIMUT], 0.3);
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(cr->q[Q_STEERING + c], 0.0);
        EXPECT_NEAR(cr->q[Q_ROUE + c] - q0[Q_ROUE + c], -ds / 0.15, 1e-15);
    }
    std::free(cr);
}

TEST(Kinematic, TurningAboutTheLeftMiddleWheelClampsTheSteeringAndStopsThatWheel)
{
    ConfRover* cr = new_confRover(1.0, 0.0, 0);
    double q0[21];
    std::memcpy(q0, cr->q, sizeof q0);
    double cDes = 1.0 / 0.5;  // 1/e: g = 1
    ASSERT_EQ(kin_step(cr, nullptr, cDes, 0.05, 0.04), nullptr);
    EXPECT_DOUBLE_EQ(cr->q[Q_STEERING + AVANT_G], M_PI / 4);      // pi/2 clamped
    EXPECT_DOUBLE_EQ(cr->q[Q_STEERING + ARRIERE_G], -M_PI / 4);   // -pi/2 clamped
    EXPECT_DOUBLE_EQ(cr->q[Q_STEERING + AVANT_D], std::atan2(2.0 * 0.5, 2.0));
    EXPECT_DOUBLE_EQ(cr->q[Q_STEERING + ARRIERE_D], -std::atan2(2.0 * 0.5, 2.0));
    EXPECT_EQ(cr->q[Q_ROUE + MILIEU_G], q0[Q_ROUE + MILIEU_G]);
    double o = 0.05 * 0.04 / 0.15;
    EXPECT_NEAR(cr->q[Q_ROUE + MILIEU_D], -2.0 * o, 1e-15);
    EXPECT_NEAR(cr->q[Q_ROUE + AVANT_D], -2.0 * o / std::cos(std::atan2(1.0, 2.0)), 1e-15);
    // the body origin turns about the centre (-1/cDes, -a): its distance to
    // that centre is kept and the heading grew by cDes*ds
    EXPECT_NEAR(cr->att[ATT_AZIMUT], cDes * 0.05 * 0.04, 1e-15);
    double dx = cr->pos[0] + 0.5, dy = cr->pos[1] + 0.25;
    // the centre is fixed in the terrain: at the start it was (-0.5, -0.25)
    EXPECT_NEAR(std::hypot(dx, dy), std::hypot(0.5, 0.25), 1e-12);
    std::free(cr);
}

TEST(Kinematic, ZeroSpeedOnlySteersAndPlacesAgain)
{
    ConfRover* cr = new_confRover(1.0, 0.0, 0);
    cr->pos[2] = 1.0;
    double q0[21];
    std::memcpy(q0, cr->q, sizeof q0);
    ASSERT_EQ(kin_step(cr, nullptr, 0.4, 0.0, 0.04), nullptr);
    EXPECT_NEAR(cr->pos[0], 0.0, 1e-15);  // the arc of length 0, to round-off
    EXPECT_NEAR(cr->pos[1], 0.0, 1e-15);
    EXPECT_EQ(cr->att[ATT_AZIMUT], 0.0);
    EXPECT_NEAR(cr->pos[2], 0.445, 1e-9);  // placed again
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(cr->q[Q_ROUE + c], q0[Q_ROUE + c]);
    EXPECT_GT(cr->q[Q_STEERING + AVANT_G], 0.0);
    EXPECT_LT(cr->q[Q_STEERING + ARRIERE_G], 0.0);
    std::free(cr);
}

TEST(Kinematic, ArcFollowsTheCommandedCurvatureOverManySteps)
{
    // 100 steps of a 2 m radius turn: the heading grows by cDes * distance
    ConfRover* cr = new_confRover(1.0, 0.0, 0);
    for (int k = 0; k < 100; ++k)
        ASSERT_EQ(kin_step(cr, nullptr, 0.5, 0.2, 0.04), nullptr);
    EXPECT_NEAR(cr->att[ATT_AZIMUT], 0.5 * 0.2 * 4.0, 1e-12);
    std::free(cr);
}

// ---- wheel tracks ---------------------------------------------------------------

TEST(Tracks, PointsEveryTwentyFourthOfATurnAndTheRingWraps)
{
    ConfRover* cr = new_confRover(1.0, 0.0, 0);
    ASSERT_EQ(place_on_ground(cr, nullptr), nullptr);
    double step = M_PI * 0.15 / 12.0;
    track_wheels(cr, 0.4 * step);  // not yet half a step: no point
    EXPECT_EQ(cr->tracePos[0], 0);
    EXPECT_EQ(cr->traceIndex[0], 0);
    track_wheels(cr, 0.2 * step);
    EXPECT_EQ(cr->tracePos[0], 1);
    EXPECT_EQ(cr->traceIndex[0], 1);
    // the pair spans 0.7 r across the wheel, 3 cm above the contact
    const double* p = cr->trace[0][1][0];
    const double* q = cr->trace[0][1][1];
    EXPECT_NEAR(std::hypot(p[0] - q[0], p[1] - q[1]), 0.7 * 0.15, 1e-12);
    EXPECT_NEAR(0.5 * (p[2] + q[2]), cr->contact[0][2] + 0.03, 1e-12);
    for (int k = 0; k < 150; ++k)
        track_wheels(cr, step);
    EXPECT_EQ(cr->tracePlein[0], 1);
    EXPECT_EQ(cr->tracePos[0], 151 % 150);
    std::free(cr);
}

// ---- dynamic driving ---------------------------------------------------------------

TEST(DynamicDriving, RoverAtRestSettlesAndStaysWithinAMillimetre)
{
    FlatGround g;
    DynRover* d = rover_on(&g.mnt);
    ASSERT_TRUE(drive(d, &g.mnt, 0.0, 0.0, 3.0));
    double p0[3] = {d->conf.pos[0], d->conf.pos[1], d->conf.pos[2]};
    double az0 = d->conf.att[ATT_AZIMUT];
    ASSERT_TRUE(drive(d, &g.mnt, 0.0, 0.0, 10.0));
    double dp[3];
    vec_sub(dp, d->conf.pos, p0);
    EXPECT_LT(vec_norm(dp), 1e-3);
    EXPECT_LT(std::fabs(d->conf.att[ATT_AZIMUT] - az0), 1e-3);
    for (int c = 0; c < 6; ++c)
        EXPECT_FALSE(d->horsSol[c]);
    std::free(d);
}

TEST(DynamicDriving, StraightCommandReachesItsSpeedAndKeepsTheHeading)
{
    FlatGround g;
    DynRover* d = rover_on(&g.mnt);
    double vDes = d->vmax;  // the maximum speed
    ASSERT_TRUE(drive(d, &g.mnt, 0.0, vDes, 10.0));
    EXPECT_NEAR(forward_speed(d), vDes, 0.05 * vDes);
    double y0 = d->conf.pos[1];
    ASSERT_TRUE(drive(d, &g.mnt, 0.0, vDes, 10.0));
    EXPECT_NEAR((d->conf.pos[1] - y0) / 10.0, vDes, 0.05 * vDes);
    EXPECT_LT(std::fabs(d->conf.att[ATT_AZIMUT]), 0.01);
    EXPECT_LT(std::fabs(d->conf.pos[0]), 0.01);
    std::free(d);
}

TEST(DynamicDriving, CurvatureCommandTurnsAtCDesTimesVDes)
{
    FlatGround g;
    DynRover* d = rover_on(&g.mnt);
    double vDes = d->vmax, cDes = 0.5;
    ASSERT_TRUE(drive(d, &g.mnt, cDes, vDes, 10.0));
    double az0 = d->conf.att[ATT_AZIMUT];
    ASSERT_TRUE(drive(d, &g.mnt, cDes, vDes, 10.0));
    double rate = (d->conf.att[ATT_AZIMUT] - az0) / 10.0;
    EXPECT_NEAR(rate, cDes * vDes, 0.1 * cDes * vDes);
    // steering at the Ackermann angles
    double delta[6];
    ackermann(&d->conf, cDes, delta);
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(d->conf.q[Q_STEERING + c], delta[c]);
    std::free(d);
}

TEST(DynamicDriving, MacroSoilSinksTheWheelsAndStillDrives)
{
    FlatGround g(1);
    DynRover* d = rover_on(&g.mnt);
    razFiltresMacroSol();
    ASSERT_TRUE(drive(d, &g.mnt, 0.0, 0.0, 2.0));
    for (int c = 0; c < 6; ++c)
        EXPECT_LT(d->ecart[c], 0.0) << "wheel " << c;
    double y0 = d->conf.pos[1];
    ASSERT_TRUE(drive(d, &g.mnt, 0.0, d->vmax, 10.0));
    EXPECT_GT(d->conf.pos[1] - y0, 0.25 * d->vmax * 10.0);
    std::free(d);
}

// ---- integration ------------------------------------------------------------------

TEST(Integration, QuietRoverTakesOneSubStepPerPeriod)
{
    // free fall without gravity and no velocity: accelerations 0
    DynRover* d = make_rover(1.0, 0.0, 0, 0);
    d->data.g = 0.0;
    dyn_constants(d);
    d->conf.pos[2] = 5.0;
    dyn_reset(d);
    ASSERT_EQ(dyn_integrate(d, 0.04, nullptr), nullptr);
    EXPECT_EQ(d->sousPas, 1);
    EXPECT_DOUBLE_EQ(d->conf.temps, 0.04);
    std::free(d);
}

TEST(Integration, ZeroVariationLimitsBoundNothingInsteadOfStalling)
{
    DynRover* d = make_rover(1.0, 0.0, 0, 0);
    d->data.dXyz = 0.0;
    d->data.dVitXyz = 0.0;
    dyn_constants(d);
    d->conf.pos[2] = 5.0;
    dyn_reset(d);
    d->vit[1] = 1.0;
    ASSERT_EQ(dyn_integrate(d, 0.04, nullptr), nullptr);
    EXPECT_NEAR(d->conf.temps, 0.04, 1e-12);
    std::free(d);
}

TEST(Integration, StepLimitsBoundEveryCoordinatesChange)
{
    DynRover* d = make_rover(1.0, 0.0, 0, 0);
    d->conf.pos[2] = 5.0;  // falling at g: dVitXyz / g per sub-step
    dyn_reset(d);
    ASSERT_EQ(dyn_integrate(d, 0.04, nullptr), nullptr);
    double h = d->data.dVitXyz / 9.81;
    EXPECT_EQ(d->sousPas, (long)std::ceil(0.04 / h - 1e-9));
    EXPECT_NEAR(d->vit[2], -9.81 * 0.04, 1e-9);
    std::free(d);
}
