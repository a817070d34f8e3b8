// The single-wheel rig on the model's laws: static sinkage against the law's
// closed form, drawbar pull against slip, the pull and slip modes agreeing,
// and the classical arc integration it is compared with.
#include "banc.h"
#include "reference.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

Banc bancDe(const PresetSol* p)
{
    Banc b;
    EXPECT_EQ(initBanc(&b, 1.0), nullptr);
    if (p) appliquePreset(&b, p);
    return b;
}

TEST(Banc, StaticSinkageMatchesTheLawsClosedFormOnEverySoilAndLoad)
{
    // the wheel is set down on the surface and settles under its load; the
    // steady test stops when the sinkage moves less than 1e-5 of itself per
    // second, so 1e-4 of it is a fair bound
    for (int k = -1; k < nbPresetsSol; ++k) {
        Banc b = bancDe(k < 0 ? nullptr : &presetsSol[k]);
        if (k < 0) b.typeSol = SolBancVisco;
        const double W0 = b.W;
        for (double f : {0.25, 1.0, 3.0}) {
            b.W = f * W0;
            ASSERT_EQ(verifieBanc(&b), nullptr);
            PointBanc p;
            pointStatique(&b, &p);
            const double zs = enfoncementStatique(&b);
            EXPECT_EQ(p.regime, 1);
            EXPECT_NEAR(p.sinkage, zs, 1e-4 * zs) << (k < 0 ? "visco" : presetsSol[k].nom) << " W=" << b.W;
            EXPECT_EQ(p.DP, 0.0);
        }
    }
    // the closed form itself: the visco-elastic default sinks 40/3 kg by 1 cm
    Banc v = bancDe(nullptr);
    v.typeSol = SolBancVisco;
    v.W = 13.333333333333334 * v.g;
    EXPECT_NEAR(enfoncementStatique(&v), 0.01, 1e-15);
}

TEST(Banc, DrawbarPullAndTorqueRiseWithSlipAndOpposeBraking)
{
    // the pull never falls as the slip grows, and gains at least a fifth of
    // the load between rolling and 80 % slip (it levels off where the soil's
    // strength bounds it)
    const double pentes[] = {0.0, 0.01, 0.02, 0.03, 0.05, 0.1, 0.2, 0.4, 0.6, 0.8};
    for (int k = 0; k < nbPresetsSol; ++k) {
        Banc b = bancDe(&presetsSol[k]);
        PointBanc frein, prec, premier;
        pointGlissement(&b, -0.3, &frein);
        EXPECT_LT(frein.DP, 0.0) << presetsSol[k].nom;  // a braked wheel holds back
        prec = frein;
        for (double i : pentes) {
            PointBanc p;
            pointGlissement(&b, i, &p);
            EXPECT_EQ(p.regime, 1);
            EXPECT_GE(p.DP, prec.DP - 1e-9 * b.W) << presetsSol[k].nom << " i=" << i;
            EXPECT_GE(p.T, prec.T - 1e-9 * b.W * b.r) << presetsSol[k].nom << " i=" << i;
            if (i == 0.0) premier = p;
            prec = p;
        }
        EXPECT_GT(prec.DP - premier.DP, 0.2 * b.W) << presetsSol[k].nom;
        EXPECT_GT(premier.DP, frein.DP) << presetsSol[k].nom;
    }
}

TEST(Banc, ImposedPullSettlesAtTheSlipThatProducesIt)
{
    for (const char* nom : {"defaut", "sable-lete", "regolithe-lunaire"}) {
        Banc b = bancDe(cherchePreset(nom));
        PointBanc g, t;
        // below the strength bound, where the pull still rises with slip
        pointGlissement(&b, 0.08, &g);
        pointTraction(&b, g.DP, &t);
        EXPECT_EQ(t.regime, 1) << nom;
        EXPECT_NEAR(t.slip, 0.08, 0.002) << nom;
        EXPECT_NEAR(t.sinkage, g.sinkage, 1e-4 * g.sinkage) << nom;
    }
    // a pull beyond what the soil gives at full slip has no steady point: the
    // wheel slows down for as long as it runs
    Banc b = bancDe(cherchePreset("sable-sec"));
    PointBanc pleine, t;
    pointGlissement(&b, 1.0, &pleine);
    b.tMax = 60.0;
    pointTraction(&b, 1.5 * pleine.DP, &t);
    EXPECT_EQ(t.regime, 0);
    EXPECT_GT(t.slip, 0.3);
}

TEST(Reference, ArcIntegralTendsToTheClosedFormAsSinkageVanishes)
{
    // with n = 1 the law's closed form is the small-sinkage limit of the arc
    // integral: their gap shrinks with the load
    Banc b = bancDe(cherchePreset("regolithe-lunaire"));
    double ecart = INFINITY;
    for (double W : {400.0, 100.0, 25.0, 6.0, 1.5}) {
        b.W = W;
        const double e = std::fabs(enfoncementArc(&b.zone, b.r, b.b, W) / enfoncementStatique(&b) - 1.0);
        EXPECT_LT(e, ecart) << W;
        ecart = e;
    }
    EXPECT_LT(ecart, 1e-3);  // the gap is of the order of the sinkage over the radius
    // with n != 1 the closed form takes 1 - n/3 for the profile's integral
    // int_0^1 (1 - u^2)^n du = sqrt(pi) Gamma(n + 1) / (2 Gamma(n + 3/2)),
    // so the limit of the ratio of sinkages is that ratio to -1/(n + 1/2)
    for (const char* nom : {"sable-sec", "sable-lete", "argile"}) {
        b = bancDe(cherchePreset(nom));
        const double n = b.zone.n;
        const double I = std::sqrt(M_PI) * std::tgamma(n + 1.0) / (2.0 * std::tgamma(n + 1.5));
        const double limite = std::pow(I / (1.0 - n / 3.0), -1.0 / (n + 0.5));
        b.W = 0.05;
        EXPECT_NEAR(enfoncementArc(&b.zone, b.r, b.b, b.W) / enfoncementStatique(&b), limite, 2e-3) << nom;
    }
}

TEST(Reference, StressesCarryTheLoadAndTorqueGrowsWithSlip)
{
    Banc b = bancDe(cherchePreset("sable-lete"));
    ReferenceRoue prec;
    referenceClassique(&b.zone, b.r, b.b, b.W, 0.0, &prec);
    ASSERT_TRUE(prec.ok);
    EXPECT_LT(prec.DP, 0.0);  // rolling resistance at zero slip
    for (double i = 0.1; i <= 0.8001; i += 0.1) {
        ReferenceRoue r;
        referenceClassique(&b.zone, b.r, b.b, b.W, i, &r);
        ASSERT_TRUE(r.ok);
        EXPECT_GT(r.T, prec.T) << i;
        // the pull is the shear's horizontal share less the normal stress's
        // backward share, so the torque is at least r times the pull
        EXPECT_GE(r.T, b.r * r.DP) << i;
        prec = r;
    }
    // a load no arc up to 90 degrees carries has no answer
    ReferenceRoue r;
    referenceClassique(&b.zone, b.r, b.b, 1e9, 0.2, &r);
    EXPECT_FALSE(r.ok);
}

}  // namespace

TEST(BancClassique, TheRigOnTheClassicalLawAgreesWithTheReferenceAndSettlesAtItsOwnSinkage)
{
    // same law, independent code paths (the model's Gauss quadrature in the
    // rig's time run, the reference's bisection and Simpson rule): within
    // the quadrature's 3e-4 of the load and the rig's steadiness test
    for (int k = 1; k < nbPresetsSol; ++k) {
        Banc b = bancDe(&presetsSol[k]);
        b.typeSol = SolBancClassique;
        ASSERT_EQ(verifieBanc(&b), nullptr) << presetsSol[k].nom;
        for (double i : {0.0, 0.05, 0.3}) {
            PointBanc p;
            ReferenceRoue r;
            i == 0.0 ? pointStatique(&b, &p) : pointGlissement(&b, i, &p);
            referenceClassique(&b.zone, b.r, b.b, b.W, i, &r);
            const double zs = i == 0.0 ? enfoncementStatique(&b) : r.sinkage;
            EXPECT_EQ(p.regime, 1) << presetsSol[k].nom;
            EXPECT_NEAR(p.sinkage, zs, (i == 0.0 ? 1e-4 : 5e-3) * zs) << presetsSol[k].nom;
            EXPECT_NEAR(p.DP, i == 0.0 ? 0.0 : r.DP, 1e-3 * b.W) << presetsSol[k].nom << " i=" << i;
            EXPECT_NEAR(p.T, i == 0.0 ? 0.0 : r.T, 1e-3 * b.W * b.r) << presetsSol[k].nom;
        }
    }
}

TEST(BancClassique, SlipSinkageFollowsN1AndASideSlippingWheelIsHeldSideways)
{
    // the exponent growing with slip (n1) lets the wheel dig in deeper as it
    // slips; without it the sinkage moves with slip only through the shift
    // of the greatest stress
    Banc b = bancDe(cherchePreset("sable-lete"));
    b.typeSol = SolBancClassique;
    PointBanc sans, avec;
    pointGlissement(&b, 0.5, &sans);
    b.classique.n1 = 0.3;
    pointGlissement(&b, 0.5, &avec);
    EXPECT_GT(avec.sinkage, 1.2 * sans.sinkage);

    // a wheel at 20 % slip and 30 degrees of side slip on sand is held
    // sideways by the lateral shear, far more than by the face's bulldozing
    // alone, and against the side slip
    b.classique.n1 = 0.0;
    const double Vr = 0.05, V = 0.8 * Vr;
    for (double sens : {-1.0, 1.0}) {
        EntreeClassique e = {};
        e.dz = -sans.sinkage;
        e.omega = -Vr / b.r;
        e.V[0] = sens * V * std::tan(30 * M_PI / 180);
        e.V[1] = V - Vr;
        e.r = b.r;
        e.b = b.b;
        e.g = b.g;
        SortieClassique s;
        contact_classique(&s, &b.zone, &b.classique, &e);
        EXPECT_LT(sens * s.F[0], -0.15 * s.W);
    }
}
