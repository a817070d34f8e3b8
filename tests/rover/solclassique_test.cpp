// The classical rigid-wheel law on its own: its rest equilibrium, the shape
// of drawbar pull, torque and sinkage against slip on published soils, rest
// and mirror symmetry of the contact, and the zones it refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "rover/solclassique.h"
#include "support/sols.h"

namespace {

const ParamClassique Wong = {0.43, 0.32, 0.0};

// the entry angle at which a wheel rolling at slip i carries W
double angleEntree(const ZoneSol* z, const ParamClassique* p, double W, double i)
{
    double lo = 0.0, hi = 0.5 * M_PI;
    for (int k = 0; k < 60; ++k) {
        const double m = 0.5 * (lo + hi);
        ArcClassique a;
        arc_classique(&a, z, p, RoueR, RoueB, 9.81, m, i, 1.0, 0.0, PointsClassique);
        (a.W < W ? lo : hi) = m;
    }
    return 0.5 * (lo + hi);
}

EntreeClassique roue(double dz, double vLat, double vMat, double vN, double omega)
{
    EntreeClassique e;
    e.dz = dz;
    e.V[0] = vLat;
    e.V[1] = vMat;
    e.V[2] = vN;
    e.omega = omega;
    e.r = RoueR;
    e.b = RoueB;
    e.g = 9.81;
    return e;
}

}  // namespace

TEST(SolClassique, AWheelAtRestCarriesItsLoadAtTheLawsOwnSinkageAndFeelsNoTangentialForce)
{
    for (const SolPublie& s : solsPublies) {
        const ZoneSol z = zoneDe(s);
        for (double W : {50.0, 150.0, 400.0}) {
            const double zs = enfoncement_classique(&z, &Wong, RoueR, RoueB, W);
            ASSERT_TRUE(std::isfinite(zs)) << s.nom;
            const EntreeClassique e = roue(-zs, 0.0, 0.0, 0.0, 0.0);
            SortieClassique o;
            contact_classique(&o, &z, &Wong, &e);
            // bisection to 60 halvings: the load is met to rounding
            EXPECT_NEAR(o.F[2], W, 1e-9 * W) << s.nom;
            EXPECT_EQ(o.F[0], 0.0);
            EXPECT_EQ(o.F[1], 0.0);
            EXPECT_EQ(o.couple, 0.0);
            EXPECT_EQ(o.enlisee, 0);
        }
    }
}

TEST(SolClassique, PullRisesWithSlipFromACompactionLossAndTheTorquePaysForIt)
{
    // steady wheels under one sixth of the rover's weight (150 N) on every
    // soil: at zero slip the compaction holds the wheel back, the pull grows
    // with slip up to 40 % (beyond, the greatest stress moving forward with
    // slip deepens the rut and the pull levels off), the torque is never
    // less than r times the pull, and with slip sinkage (n1 > 0) the wheel
    // sinks deeper as it slips
    const double W = 150.0;
    const ParamClassique creuse = {0.43, 0.32, 0.3};
    for (const SolPublie& s : solsPublies) {
        const ZoneSol z = zoneDe(s);
        double prevDP = -1e300, prevZ = 0.0;
        for (double i = 0.0; i <= 0.4001; i += 0.05) {
            ArcClassique a;
            const double thf = angleEntree(&z, &Wong, W, i);
            arc_classique(&a, &z, &Wong, RoueR, RoueB, 9.81, thf, i, 1.0, 0.0, PointsClassique);
            if (i == 0.0) {
                EXPECT_LT(a.DP, 0.0) << s.nom;
            }
            EXPECT_GT(a.DP, prevDP) << s.nom << " i=" << i;
            EXPECT_GE(a.T, RoueR * a.DP) << s.nom << " i=" << i;
            prevDP = a.DP;
            const double zc = RoueR * (1.0 - std::cos(angleEntree(&z, &creuse, W, i)));
            if (i > 0.0) {
                EXPECT_GT(zc, prevZ) << s.nom << " i=" << i;
            }
            prevZ = zc;
        }
    }
}

TEST(SolClassique, ContactIsTheMirrorImageBackwardsAndSmoothThroughRest)
{
    const ZoneSol z = zoneDe(solsPublies[2]);
    const double dz = -0.01, r = RoueR;
    // driving forward at 20 % slip, and the same backwards
    const double Vr = 0.05, V = 0.8 * Vr;
    const EntreeClassique av = roue(dz, 0.002, V - Vr, 0.0, -Vr / r);
    const EntreeClassique ar = roue(dz, 0.002, -(V - Vr), 0.0, Vr / r);
    SortieClassique a, b;
    contact_classique(&a, &z, &Wong, &av);
    contact_classique(&b, &z, &Wong, &ar);
    EXPECT_NEAR(a.glissement, 0.2, 1e-12);
    EXPECT_GT(a.F[1], 0.0);
    EXPECT_EQ(a.F[1], -b.F[1]);
    EXPECT_EQ(a.couple, -b.couple);
    EXPECT_EQ(a.F[0], b.F[0]);
    EXPECT_LT(a.F[0], 0.0);  // the side force opposes the side slip
    // creeping: the tangential force goes to zero with the speed, without
    // a jump, so that rest is still
    double prev = 1e300;
    for (double v = 1e-3; v > 1e-9; v *= 0.1) {
        const EntreeClassique e = roue(dz, 0.0, 0.8 * v - v, 0.0, -v / r);
        SortieClassique o;
        contact_classique(&o, &z, &Wong, &e);
        EXPECT_LT(std::fabs(o.F[1]), prev);
        prev = std::fabs(o.F[1]);
    }
    EXPECT_LT(prev, 1e-3);
}

TEST(SolClassique, ZonesItCannotCarryAreRefusedByName)
{
    struct Cas {
        const char* champ;
        double n, K, c1, c2, W;
        const char* attendu;  // null: accepted
    };
    const Cas cas[] = {
        {"accepte", 1.0, 0.012, 0.43, 0.32, 150.0, nullptr},
        {"n nul", 0.0, 0.012, 0.43, 0.32, 150.0, "l'exposant n"},
        {"n negatif", -0.5, 0.012, 0.43, 0.32, 150.0, "l'exposant n"},
        {"K nul", 1.0, 0.0, 0.43, 0.32, 150.0, "le module K"},
        {"c1 + c2 = 1", 1.0, 0.012, 0.5, 0.5, 150.0, "c1 + c2 < 1"},
        {"enlisee", 1.0, 0.012, 0.43, 0.32, 1e7, "au-dela de son axe"},
    };
    for (const Cas& k : cas) {
        ZoneSol z = zoneDe(solsPublies[0]);
        z.n = k.n;
        z.K = k.K;
        ZonesSol zs = {1, &z};
        const ParamClassique p = {k.c1, k.c2, 0.0};
        const char* m = verifie_zones_classiques(&zs, &p, RoueR, RoueB, k.W);
        if (!k.attendu) {
            EXPECT_EQ(m, nullptr) << k.champ;
        } else {
            ASSERT_NE(m, nullptr) << k.champ;
            EXPECT_NE(std::string(m).find(k.attendu), std::string::npos) << m;
        }
    }
}
