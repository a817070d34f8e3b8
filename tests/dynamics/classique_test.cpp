// The whole rover on the classical law: still and cheap at rest, no bounce
// when set down, and on a slope of loose sand a steady slip that rises with
// the slope until the sand can no longer hold the climb.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dynamics/support.h"
#include "rover/piloting.h"
#include "rover/telemetry.h"
#include "support/sols.h"
#include "terrain/mnt.h"

namespace {

const double Deg = 0.017453292519943295;

// a plane rising along +y at slopeDeg over a 40 m square, one zone of the
// published soil under the classical law
struct Pente {
    Mnt mnt;
    ZoneSol zone;
    ZonesSol zones;

    Pente(const SolPublie& sol, double slopeDeg)
    {
        defauts_mnt(&mnt);
        mnt.typeMNT = MntPlat;
        mnt.hBosses = 0.0;
        mnt.Xmin = mnt.Ymin = -20.0;
        mnt.Xmax = mnt.Ymax = 20.0;
        FILE* f = std::tmpfile();
        const int n = 81;
        for (int j = 0; j < n; ++j) {
            const double y = -20.0 + 0.5 * j;
            for (int i = 0; i < n; ++i)
                std::fprintf(f, "%.9f ", y * std::tan(slopeDeg * Deg));
            std::fputc('\n', f);
        }
        mnt.fichier = f;
        EXPECT_EQ(new_mnt(&mnt), 0);
        std::fclose(f);
        mnt.fichier = nullptr;
        zone = zoneDe(sol);
        zone.R = 1000.0;
        zones = {1, &zone};
        mnt.typeDyn = SolClassique;
        mnt.sol = &zones;
    }
    ~Pente() { libere_mnt(&mnt); }
};

struct Rover {
    DynRover* d;
    Rover(const Mnt* mnt, double y)
    {
        d = make_rover(1.0, 0.0, 0, 0);
        d->conf.pos[1] = y;
        EXPECT_EQ(place_on_ground(&d->conf, mnt), nullptr);
        dyn_reset(d);
    }
    ~Rover() { std::free(d); }
};

const char* drive(DynRover* d, const Mnt* mnt, double vDes, double seconds)
{
    for (long k = std::lround(seconds / 0.04); k > 0; --k)
        if (const char* m = dyn_step(d, mnt, 0.0, vDes, 0.04))
            return m;
    return nullptr;
}

// mean slip of the six wheels over `seconds` of driving at vDes up a slope
// of slopeDeg: the rim travel against the body's travel up the slope
double slipMoyen(DynRover* d, const Mnt* mnt, double slopeDeg, double vDes, double seconds,
                 const char** m)
{
    const double y0 = d->conf.pos[1];
    double angle = 0.0;
    for (int c = 0; c < 6; ++c) angle -= d->conf.q[Q_ROUE + c];
    *m = drive(d, mnt, vDes, seconds);
    double angle1 = 0.0;
    for (int c = 0; c < 6; ++c) angle1 -= d->conf.q[Q_ROUE + c];
    const double rim = (angle1 - angle) / 6.0 * d->conf.rayonRoue;
    const double path = (d->conf.pos[1] - y0) / std::cos(slopeDeg * Deg);
    return rim > 0.0 ? 1.0 - path / rim : 0.0;
}

}  // namespace

TEST(Classique, RestIsStillAndCheapAndTheSetDownDoesNotBounce)
{
    Pente p(solsPublies[0], 0.0);
    Rover r(&p.mnt, 0.0);
    // set down on the surface: the body sinks into the soil and settles
    // without rising back above its lowest point by more than 1 mm
    double zmin = 1e300, rise = 0.0;
    for (int k = 0; k < 75; ++k) {
        ASSERT_EQ(drive(r.d, &p.mnt, 0.0, 0.04), nullptr);
        zmin = std::fmin(zmin, r.d->conf.pos[2]);
        rise = std::fmax(rise, r.d->conf.pos[2] - zmin);
    }
    EXPECT_LT(rise, 1e-3);
    // then at rest: no more sub-steps per second than the visco-elastic soil
    // needs (see physics_test), no drift
    const long s0 = r.d->sousPas;
    double p0[3];
    vec_copy(p0, r.d->conf.pos);
    ASSERT_EQ(drive(r.d, &p.mnt, 0.0, 5.0), nullptr);
    EXPECT_LT((r.d->sousPas - s0) / 5.0, 200.0);
    double dp[3];
    vec_sub(dp, r.d->conf.pos, p0);
    EXPECT_LT(vec_norm(dp), 1e-3);
}

TEST(Classique, SlipRisesWithTheSlopeOfLooseSandUntilTheRoverStalls)
{
    // LETE sand; the rover starts at rest, drives up at 5 cm/s, and its
    // slip is measured once the drive has settled
    double prev = -1.0;
    for (double pente : {0.0, 4.0, 8.0, 12.0}) {
        Pente p(solsPublies[2], pente);
        Rover r(&p.mnt, -5.0);
        const char* m = drive(r.d, &p.mnt, 0.05, 4.0);
        ASSERT_EQ(m, nullptr) << m;
        const double i = slipMoyen(r.d, &p.mnt, pente, 0.05, 6.0, &m);
        ASSERT_EQ(m, nullptr) << m;
        EXPECT_GT(i, prev) << pente << " deg";
        EXPECT_LT(i, 0.9) << pente << " deg";
        prev = i;
    }
    // a slope the sand cannot hold: the wheels spin, the rover does not climb
    Pente p(solsPublies[2], 30.0);
    Rover r(&p.mnt, -5.0);
    const char* m = nullptr;
    drive(r.d, &p.mnt, 0.05, 4.0);
    const double y0 = r.d->conf.pos[1];
    const double i = slipMoyen(r.d, &p.mnt, 30.0, 0.05, 6.0, &m);
    EXPECT_GT(i, 0.9);
    EXPECT_LT(r.d->conf.pos[1] - y0, 0.05 * 6.0 * 0.1);
}
