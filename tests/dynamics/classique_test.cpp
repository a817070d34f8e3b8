// The whole rover on the classical law: no bounce when set down, rest still
// and cheap, a steady slip up a plane of LETE sand that rises with the slope
// until the rover stalls, and a wheel sunk past its axle stopping the run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dynamics/support.h"
#include "rover/piloting.h"
#include "support/sols.h"
#include "terrain/mnt.h"

namespace {

// a 40 m plane rising along +y at `pente` degrees, one zone of the soil s
// under the classical law, the rover set down at y = -5 m
struct Pente {
    Mnt mnt;
    ZoneSol zone;
    ZonesSol zones = {1, &zone};
    DynRover* d = make_rover(1.0, 0.0, 0, 0);

    Pente(const double s[6], double pente) : zone(zoneDe(s))
    {
        defauts_mnt(&mnt);
        mnt.hBosses = 0.0;
        mnt.Xmin = mnt.Ymin = -20.0;
        mnt.Xmax = mnt.Ymax = 20.0;
        mnt.fichier = std::tmpfile();
        for (int j = 0; j < 81 * 81; ++j)
            std::fprintf(mnt.fichier, j % 81 == 80 ? "%.9f\n" : "%.9f ",
                         (0.5 * (j / 81) - 20.0) * std::tan(pente * M_PI / 180));
        EXPECT_EQ(new_mnt(&mnt), 0);
        std::fclose(mnt.fichier);
        mnt.typeDyn = SolClassique;
        mnt.sol = &zones;
        d->conf.pos[1] = -5.0;
        EXPECT_EQ(place_on_ground(&d->conf, &mnt), nullptr);
        dyn_reset(d);
    }
    ~Pente() { libere_mnt(&mnt), std::free(d); }
    const char* roule(double v, double secondes)
    {
        const char* m = nullptr;
        for (long k = std::lround(secondes / 0.04); k > 0 && !m; --k) m = dyn_step(d, &mnt, 0.0, v, 0.04);
        return m;
    }
};

}  // namespace

TEST(Classique, SetDownWithoutBounceThenRestStillAndCheap)
{
    Pente p(solsPublies[0], 0.0);
    double zmin = 1e300, remonte = 0.0;  // the body sinks in, never back up
    for (int k = 0; k < 75; ++k) {
        ASSERT_EQ(p.roule(0.0, 0.04), nullptr);
        zmin = std::fmin(zmin, p.d->conf.pos[2]);
        remonte = std::fmax(remonte, p.d->conf.pos[2] - zmin);
    }
    EXPECT_LT(remonte, 1e-4);
    // at rest as cheap as the other soils (physics_test), without drift
    const long s0 = p.d->sousPas;
    const double y0 = p.d->conf.pos[1];
    ASSERT_EQ(p.roule(0.0, 5.0), nullptr);
    EXPECT_LT((p.d->sousPas - s0) / 5.0, 200.0);
    EXPECT_LT(std::fabs(p.d->conf.pos[1] - y0), 1e-3);
}

TEST(Classique, SlipRisesWithTheSlopeOfLooseSandUntilTheRoverStalls)
{
    // at 5 cm/s, once settled: the wheels' rim travel against the body's
    // travel up the slope
    double prev = -1.0;
    for (double pente : {0.0, 4.0, 8.0, 12.0, 30.0}) {
        Pente p(solsPublies[2], pente);
        ASSERT_EQ(p.roule(0.05, 4.0), nullptr);
        const double y0 = p.d->conf.pos[1], a0 = p.d->conf.q[Q_ROUE];
        ASSERT_EQ(p.roule(0.05, 6.0), nullptr);
        const double rim = (a0 - p.d->conf.q[Q_ROUE]) * p.d->conf.rayonRoue;
        const double i = 1.0 - (p.d->conf.pos[1] - y0) / std::cos(pente * M_PI / 180) / rim;
        EXPECT_GT(i, pente < 20.0 ? prev : 1.0) << pente;  // at 30 deg it slides back
        EXPECT_LT(i, pente < 20.0 ? 0.6 : 3.0) << pente;
        prev = i;
    }
}

TEST(Classique, AWheelSunkPastItsAxleStopsTheRunByName)
{
    const double boue[6] = {1.0, 0.0, 2000.0, 0.0, 20.0, 0.01};  // kphi far too low
    Pente p(boue, 0.0);
    const char* m = p.roule(0.0, 3.0);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(std::string(m).rfind("Roue enlisee : ", 0), 0u) << m;
    bool nomme = false;
    for (const char* roue : nomChaine) nomme = nomme || std::string(m).find(roue) != std::string::npos;
    EXPECT_TRUE(nomme) << m;
}
