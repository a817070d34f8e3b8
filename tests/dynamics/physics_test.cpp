// Physical properties of dynamic driving: the wheels track their commanded
// speed after a step, the result does not hang on the display period, slopes
// beyond the soil's strength cannot be climbed, rest is still and cheap on
// both soils, and leaving the terrain or overturning is reported.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dynamics/support.h"
#include "rover/piloting.h"
#include "terrain/dynsol.h"
#include "terrain/mnt.h"
#include "terrain/zonesol.h"

namespace {

const double Deg = 0.017453292519943295;

// a 20 m square: flat, or flat for y < 0 and rising at `slope` beyond; the
// simplified soil, or one macro zone with the given cohesion and friction
struct Ground {
    Mnt mnt;
    DynSol sol;
    ZonesSol* zones = nullptr;

    Ground(bool macro, double slopeDeg = 0.0, double c = 1150.0, double phiDeg = 28.0,
           double half = 10.0)
    {
        std::memset(&mnt, 0, sizeof mnt);
        defauts_mnt(&mnt);
        mnt.typeMNT = MntPlat;
        mnt.hBosses = 0.0;
        mnt.Xmin = mnt.Ymin = -half;
        mnt.Xmax = mnt.Ymax = half;
        FILE* f = nullptr;
        if (slopeDeg != 0.0) {
            f = std::tmpfile();
            int n = (int)std::lround(2.0 * half / 0.25) + 1;
            for (int j = 0; j < n; ++j) {
                double y = -half + 0.25 * j;
                for (int i = 0; i < n; ++i)
                    std::fprintf(f, "%.6f ", y > 0.0 ? y * std::tan(slopeDeg * Deg) : 0.0);
                std::fputc('\n', f);
            }
            mnt.fichier = f;
        }
        EXPECT_EQ(new_mnt(&mnt), 0);
        if (f)
            std::fclose(f);
        mnt.fichier = nullptr;
        razFiltresMacroSol();
        if (macro) {
            zones = nouvellesZones(nullptr);
            ZoneSol* z = zones->premiere;
            z->c = c;
            z->phi = phiDeg * Deg;
            z->tanPhi = std::tan(z->phi);
            mnt.typeDyn = SolMacro;
            mnt.sol = zones;
        } else {
            init_dynSol(&sol, 30.0 * Deg, 9.81);
            mnt.sol = &sol;
        }
    }
    ~Ground()
    {
        libere_mnt(&mnt);
        if (zones) {
            libereZones(zones);
            std::free(zones);
        }
    }
};

struct Rover {
    DynRover* d;
    Rover(const Mnt* mnt, double y = 0.0)
    {
        d = make_rover(1.0, 0.0, 0, 0);
        d->conf.pos[1] = y;
        EXPECT_EQ(place_on_ground(&d->conf, mnt), nullptr);
        dyn_reset(d);
    }
    ~Rover() { std::free(d); }
};

// dyn_step for `seconds`; the first message, or null
const char* drive(DynRover* d, const Mnt* mnt, double vDes, double seconds, double dt = 0.04,
                  double cDes = 0.0)
{
    long n = std::lround(seconds / dt);
    for (long k = 0; k < n; ++k)
        if (const char* m = dyn_step(d, mnt, cDes, vDes, dt))
            return m;
    return nullptr;
}

// the largest relative gap between a wheel's rim speed and the command
double rim_speed_gap(const DynRover* d, double vDes)
{
    double worst = 0.0;
    for (int c = 0; c < 6; ++c) {
        double rim = -d->qd[Q_ROUE + c] * d->conf.rayonRoue;
        worst = std::fmax(worst, std::fabs(rim - vDes) / vDes);
    }
    return worst;
}

} // namespace

// ---- wheel joints and speed controllers -------------------------------------------

TEST(WheelSpeed, RimSpeedFollowsEachCommandStepOnBothSoils)
{
    // a lower command must slow the wheels down through their friction, not
    // leave them coasting at the former speed
    for (bool macro : {false, true}) {
        Ground g(macro);
        Rover r(&g.mnt);
        for (double v : {0.05, 0.04, 0.05}) {
            ASSERT_EQ(drive(r.d, &g.mnt, v, 4.0), nullptr);
            EXPECT_LT(rim_speed_gap(r.d, v), 0.01) << (macro ? "macro" : "simplified") << " " << v;
            ASSERT_EQ(drive(r.d, &g.mnt, v, 6.0), nullptr);
            EXPECT_LT(rim_speed_gap(r.d, v), 0.01) << (macro ? "macro" : "simplified") << " " << v;
        }
    }
}

TEST(WheelSpeed, DistanceDoesNotDependOnTheDisplayPeriod)
{
    for (bool macro : {false, true}) {
        double ref = 0.0;
        for (double dt : {0.04, 0.01, 0.2, 1.0}) {
            Ground g(macro);
            Rover r(&g.mnt);
            double y0 = r.d->conf.pos[1];
            ASSERT_EQ(drive(r.d, &g.mnt, 0.05, 40.0, dt), nullptr);
            double dist = r.d->conf.pos[1] - y0;
            if (dt == 0.04) {
                ref = dist;
                EXPECT_GT(ref, 0.9 * 0.05 * 40.0);
            }
            EXPECT_NEAR(dist, ref, 0.03) << (macro ? "macro" : "simplified") << " dt " << dt;
        }
    }
}

// ---- climbing: the soil's strength bounds the slope --------------------------------

namespace {

// headway up the ramp over 20 s of driving at 0.05 m/s, once on it
double headway(bool macro, double slopeDeg, double c = 1150.0, double phiDeg = 28.0)
{
    Ground g(macro, slopeDeg, c, phiDeg);
    Rover r(&g.mnt, -1.0);
    EXPECT_EQ(drive(r.d, &g.mnt, 0.0, 2.0), nullptr);
    EXPECT_EQ(drive(r.d, &g.mnt, 0.05, 40.0), nullptr);
    double y0 = r.d->conf.pos[1];
    EXPECT_EQ(drive(r.d, &g.mnt, 0.05, 20.0), nullptr);
    return r.d->conf.pos[1] - y0;
}

} // namespace

TEST(Climbing, CoulombConeOfTheSimplifiedSoilBoundsTheSlope)
{
    // friction cone of 30 degrees
    EXPECT_GT(headway(false, 20.0), 0.8);
    EXPECT_LT(headway(false, 35.0), 0.05);
}

TEST(Climbing, MohrCoulombStrengthOfTheMacroSoilBoundsTheSlope)
{
    // default zone: the greatest thrust less the compaction resistance holds
    // the weight up to 20 to 25 degrees
    EXPECT_GT(headway(true, 15.0), 0.8);
    EXPECT_LT(headway(true, 30.0), 0.05);
    EXPECT_LT(headway(true, 45.0), 0.05);
    // a soft zone drives on the flat but gives up on a slope its strength
    // cannot hold
    EXPECT_GT(headway(true, 0.0, 200.0, 22.0), 0.8);
    EXPECT_LT(headway(true, 15.0, 200.0, 22.0), 0.05);
}

// ---- rest -----------------------------------------------------------------------

TEST(Rest, StillAndCheapOnBothSoils)
{
    for (bool macro : {false, true}) {
        Ground g(macro);
        Rover r(&g.mnt);
        ASSERT_EQ(drive(r.d, &g.mnt, 0.0, 3.0), nullptr);
        long s0 = r.d->sousPas;
        double p0[3] = {r.d->conf.pos[0], r.d->conf.pos[1], r.d->conf.pos[2]};
        double worst = 0.0;
        for (int k = 0; k < 125; ++k) {
            ASSERT_EQ(drive(r.d, &g.mnt, 0.0, 0.04), nullptr);
            for (int i = 0; i < 3; ++i)
                worst = std::fmax(worst, std::fabs(r.d->acc[i]));
        }
        const char* soil = macro ? "macro" : "simplified";
        EXPECT_LT((r.d->sousPas - s0) / 5.0, 200.0) << soil;
        EXPECT_LT(worst, 0.01) << soil;
        double dp[3];
        vec_sub(dp, r.d->conf.pos, p0);
        EXPECT_LT(vec_norm(dp), 1e-3) << soil;
    }
}

// ---- the end of a drive ------------------------------------------------------------

TEST(EndOfDrive, LeavingTheGridOrOverturningIsReported)
{
    {
        // a 6 m square: the rover driving straight leaves it within seconds
        Ground g(false, 0.0, 0.0, 0.0, 3.0);
        Rover r(&g.mnt);
        const char* m = drive(r.d, &g.mnt, 0.5, 30.0);
        ASSERT_NE(m, nullptr);
        EXPECT_STREQ(m, "Rover hors du terrain\n");
        // the state stops with a contact point just past the edge
        EXPECT_LT(r.d->conf.pos[1], 3.0);
        EXPECT_GT(r.d->conf.pos[1], 2.0);
    }
    for (double gite : {100.0, 180.0}) {
        // on its side past the vertical, or upside down
        Ground g(false);
        Rover r(&g.mnt);
        r.d->conf.att[ATT_GITE] = gite * Deg;
        r.d->conf.pos[2] = 1.0;
        EXPECT_STREQ(drive(r.d, &g.mnt, 0.0, 0.04), "Rover renverse\n") << gite;
    }
    {
        // upright but with the body sunk under the ground
        Ground g(false);
        Rover r(&g.mnt);
        r.d->conf.pos[2] = -0.05;
        EXPECT_STREQ(drive(r.d, &g.mnt, 0.0, 0.04), "Rover renverse\n");
    }
}

TEST(EndOfDrive, OverturningOffTheTerrainIsStillReportedEachOnce)
{
    // past the edge, then upside down there: both are said, each once
    Ground g(false, 0.0, 0.0, 0.0, 3.0);
    Rover r(&g.mnt);
    r.d->conf.pos[0] = 5.0;
    EXPECT_STREQ(drive(r.d, &g.mnt, 0.0, 0.04), "Rover hors du terrain\n");
    r.d->conf.att[ATT_GITE] = 180.0 * Deg;
    r.d->conf.pos[2] = 1.0;
    EXPECT_STREQ(drive(r.d, &g.mnt, 0.0, 0.04), "Rover renverse\n");
    EXPECT_EQ(drive(r.d, &g.mnt, 0.0, 0.4), nullptr);
}
