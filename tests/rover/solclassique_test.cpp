// The classical rigid-wheel law on its own: the shape of drawbar pull,
// torque and sinkage against slip on published soils, and the contact's
// mirror symmetry (its rest equilibrium is checked on the rig,
// tests/rig/banc_test.cpp, its rest in tests/dynamics/classique_test.cpp).
#include <gtest/gtest.h>

#include <cmath>

#include "rover/solclassique.h"
#include "support/sols.h"

namespace {

const ParamClassique Wong = {0.43, 0.32, 0.0};

// the entry angle at which a wheel rolling at slip i carries W
double angleEntree(const ZoneSol* z, const ParamClassique* p, double W, double i)
{
    double lo = 0.0, hi = 0.5 * M_PI;
    for (int k = 0; k < 60; ++k) {
        ArcClassique a;
        arc_classique(&a, z, p, RoueR, RoueB, 9.81, 0.5 * (lo + hi), i, 1.0, 0.0, PointsClassique);
        (a.W < W ? lo : hi) = 0.5 * (lo + hi);
    }
    return 0.5 * (lo + hi);
}

SortieClassique contact(const ZoneSol& z, double dz, double vLat, double vMat, double omega)
{
    const EntreeClassique e = {dz, {vLat, vMat, 0.0}, omega, RoueR, RoueB, 9.81};
    SortieClassique o;
    contact_classique(&o, &z, &Wong, &e);
    return o;
}

}  // namespace

TEST(SolClassique, PullRisesWithSlipFromACompactionLossAndTheTorquePaysForIt)
{
    // steady wheels under 150 N: at zero slip compaction holds the wheel
    // back; the pull grows with slip up to 40 % (beyond, the greatest stress
    // moving forward deepens the rut and the pull levels off); the torque is
    // never less than r times the pull; with n1 > 0 the wheel sinks deeper
    // as it slips
    const ParamClassique creuse = {0.43, 0.32, 0.3};
    for (const auto& s : solsPublies) {
        const ZoneSol z = zoneDe(s);
        double prevDP = -1e300, prevZ = 0.0;
        for (double i = 0.0; i <= 0.4001; i += 0.05) {
            ArcClassique a;
            arc_classique(&a, &z, &Wong, RoueR, RoueB, 9.81, angleEntree(&z, &Wong, 150.0, i), i,
                          1.0, 0.0, PointsClassique);
            EXPECT_GT(a.DP, i == 0.0 ? -1e300 : prevDP) << s[0] << " i=" << i;
            EXPECT_LT(i == 0.0 ? a.DP : -1.0, 0.0);
            EXPECT_GE(a.T, RoueR * a.DP);
            const double zc = 1.0 - std::cos(angleEntree(&z, &creuse, 150.0, i));
            EXPECT_GT(zc, i == 0.0 ? 0.0 : prevZ) << s[0] << " i=" << i;
            prevDP = a.DP;
            prevZ = zc;
        }
    }
}

TEST(SolClassique, BackwardsIsTheMirrorImageAndSideSlipIsResisted)
{
    const ZoneSol z = zoneDe(solsPublies[2]);
    const double Vr = 0.05, V = 0.8 * Vr;  // 20 % slip, a little side slip
    const SortieClassique a = contact(z, -0.01, 0.002, V - Vr, -Vr / RoueR);
    const SortieClassique b = contact(z, -0.01, 0.002, Vr - V, Vr / RoueR);
    EXPECT_NEAR(a.glissement, 0.2, 1e-12);
    EXPECT_GT(a.F[1], 0.0);
    EXPECT_LT(a.F[0], 0.0);  // against the side slip
    EXPECT_EQ(a.F[0], b.F[0]);
    EXPECT_EQ(a.F[1], -b.F[1]);
    EXPECT_EQ(a.couple, -b.couple);
}
