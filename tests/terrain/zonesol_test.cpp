// Soil zones: the list, the zone lookup by level, the soil data file, and the
// macro terramechanics force law with its filters and trace line.
#include "terrain/zonesol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include "support/files.h"
#include "support/streams.h"

namespace {

const double kDeg = 0.017453292519943295;

struct Liste {
    ZonesSol zs = {0, nullptr};
    ~Liste() { libereZones(&zs); }
};

std::string bloc(int h, const char* kc = "kc = 6940.000000")
{
    return "Zone " + std::to_string(h) + "\nhzone = " + std::to_string(h)
        + " (Hierarchie de la zone)\nX, Y, R = 1.5 -2.0, 3.0 en metres\nc = 1150.0\n"
          "phi = 28.0 en degres\nXc = 26.0 en degres\n" + kc
        + "\nkphi = 505800\nn = 1.0\nrhod = 1600\nlbda = 1.0\nK = 0.012\n";
}

void expectUneZoneParDefaut(const ZonesSol& zs)
{
    ASSERT_EQ(zs.nbZones, 1);
    ASSERT_NE(zs.premiere, nullptr);
    EXPECT_EQ(zs.premiere->suivante, nullptr);
    EXPECT_EQ(zs.premiere->R, 9999.0);
    EXPECT_EQ(zs.premiere->X, 0.0);
    EXPECT_EQ(zs.premiere->c, 1150.0);
}

TEST(ZonesSol, HighestLevelContainingThePointWinsEarliestAmongEquals)
{
    for (bool inverse : {false, true}) {
        Liste l;
        ajouteZoneDefaut(&l.zs, 100, 100, 1);  // the first zone, far away
        int a = inverse ? 3 : 1, b = inverse ? 1 : 3;
        ajouteZone(&l.zs, a, 0, 0, 5, 1, 0.5, 0, 1, 1, 1, 1, 1, 1);
        ajouteZone(&l.zs, b, 1, 0, 5, 2, 0.5, 0, 1, 1, 1, 1, 1, 1);
        EXPECT_EQ(chercheZone(&l.zs, 0.5, 0)->hzone, 3);
    }
    Liste l;
    ajouteZone(&l.zs, 2, 0, 0, 5, 1, 0.5, 0, 1, 1, 1, 1, 1, 1);
    ajouteZone(&l.zs, 2, 1, 0, 5, 2, 0.5, 0, 1, 1, 1, 1, 1, 1);
    ajouteZone(&l.zs, 7, 50, 0, 1, 3, 0.5, 0, 1, 1, 1, 1, 1, 1);
    EXPECT_EQ(chercheZone(&l.zs, 0.5, 0)->c, 1.0);
    // on the circle of the level-7 zone is outside it: the point at distance
    // 1 from (50, 0) lies in no circle at all, so the first zone answers
    EXPECT_EQ(chercheZone(&l.zs, 51, 0)->c, 1.0);
    EXPECT_EQ(chercheZone(&l.zs, 50, 0.999)->c, 3.0);
    EXPECT_EQ(chercheZone(&l.zs, -100, 0), l.zs.premiere);
    Liste vide;
    EXPECT_EQ(chercheZone(&vide.zs, 0, 0), nullptr);
}

TEST(ZonesSol, WrittenFileReadsBackToTheSameZones)
{
    TempDir d;
    const std::string chemin = d / "sol.txt";

    Liste l;
    ajouteZoneDefaut(&l.zs, 0, 0, 9999);
    ajouteZone(&l.zs, 3, 1.25, -2.5, 4, 900, 30 * kDeg, 20 * kDeg, 1, 2, 1.1, 1500, 0.5, 0.02);
    ecritZones(&l.zs, fopen(chemin.c_str(), "wt"));

    FILE* f = fopen(chemin.c_str(), "rt");
    char ligne[64];
    ASSERT_NE(fgets(ligne, sizeof ligne, f), nullptr);
    EXPECT_STREQ(ligne, "Zone 0\n");
    ASSERT_NE(fgets(ligne, sizeof ligne, f), nullptr);
    EXPECT_STREQ(ligne, "hzone = 0 (Hierarchie de la zone)\n");
    rewind(f);

    Liste lu;
    EXPECT_EQ(litZones(&lu.zs, f), nullptr);
    ASSERT_EQ(lu.zs.nbZones, 2);
    for (const ZoneSol *a = l.zs.premiere, *b = lu.zs.premiere; a; a = a->suivante, b = b->suivante) {
        EXPECT_STREQ(a->nom, b->nom);
        EXPECT_EQ(a->hzone, b->hzone);
        EXPECT_EQ(a->X, b->X);
        EXPECT_EQ(a->R, b->R);
        EXPECT_NEAR(a->phi, b->phi, 1e-6 * kDeg);  // six decimals of a degree
        EXPECT_NEAR(a->tanPhi, b->tanPhi, 1e-7);
        EXPECT_NEAR(a->Xc, b->Xc, 1e-6 * kDeg);
        EXPECT_EQ(a->kphi, b->kphi);
        EXPECT_EQ(a->n, b->n);
        EXPECT_EQ(a->lbda, b->lbda);
        EXPECT_EQ(a->K, b->K);
    }
}

TEST(ZonesSol, DamagedFilesReportTheLineAndLeaveTheDefaultZone)
{
    std::string longue(600, 'z');
    struct Cas {
        const char* nom;
        std::string texte;
        const char* message;
    } cas[] = {
        {"kc damaged in the third block", bloc(1) + bloc(2) + bloc(3, "kc = ?"),
         "Erreur lecture donnees sols ligne 31"},
        {"empty file", "", "Erreur lecture donnees sols ligne 1"},
        {"level not a number", "Zone 1\nhzone = x\n", "Erreur lecture donnees sols ligne 2"},
        {"level out of range", "Zone 1\nhzone = 99999999999\n", "Erreur lecture donnees sols ligne 2"},
        {"circle without its comma", "Zone 1\nhzone = 1\nX, Y, R = 1 2 3\n",
         "Erreur lecture donnees sols ligne 3"},
        {"cohesion not finite", bloc(1).replace(bloc(1).find("c = 1150.0"), 10, "c = nan"),
         "Erreur lecture donnees sols ligne 4"},
        {"file ending inside a block", bloc(1).substr(0, bloc(1).find("kc =")),
         "Erreur lecture donnees sols ligne 7"},
        {"a name line after a good block", bloc(1) + "Zone 2\n", "Erreur lecture donnees sols ligne 14"},
        {"a blank line after a good block", bloc(1) + "\n", "Erreur lecture donnees sols ligne 14"},
    };
    for (auto& c : cas) {
        Liste l;
        const char* m = litZones(&l.zs, textStream(c.texte));
        ASSERT_NE(m, nullptr) << c.nom;
        EXPECT_STREQ(m, c.message) << c.nom;
        expectUneZoneParDefaut(l.zs);
    }
    // long name lines and long trailing comments are read past
    Liste l;
    std::string b = bloc(4);
    b.insert(b.find('\n'), longue);
    b.insert(b.find("\nc ="), " commentaire " + longue);
    EXPECT_EQ(litZones(&l.zs, textStream(b + bloc(5))), nullptr);
    ASSERT_EQ(l.zs.nbZones, 2);
    EXPECT_STREQ(l.zs.premiere->nom, "Zone 4");
    EXPECT_EQ(l.zs.premiere->R, 3.0);
}

TEST(ZonesSol, NoFileGivesTheOneDefaultZone)
{
    Liste l;
    EXPECT_EQ(litZones(&l.zs, nullptr), nullptr);
    expectUneZoneParDefaut(l.zs);
    ZonesSol* n = nouvellesZones(nullptr);
    ASSERT_NE(n, nullptr);
    expectUneZoneParDefaut(*n);
    libereZones(n);
    EXPECT_EQ(n->nbZones, 0);
    EXPECT_EQ(n->premiere, nullptr);
    free(n);
}

TEST(ZonesSol, CopyRebuildsNamesAndTangentsInOrder)
{
    Liste src, dst;
    ajouteZoneDefaut(&src.zs, 0, 0, 9999);
    ZoneSol* z = ajouteZone(&src.zs, 2, 1, 1, 1, 1, 0.1, 0, 1, 1, 1, 1, 1, 1);
    z->hzone = 6;  // edited in place, as the zones dialog does
    z->phi = 0.3;
    EXPECT_EQ(copieZones(&dst.zs, &src.zs), nullptr);
    ASSERT_EQ(dst.zs.nbZones, 2);
    const ZoneSol* c = dst.zs.premiere->suivante;
    EXPECT_STREQ(c->nom, "Zone 6");
    EXPECT_EQ(c->tanPhi, tan(0.3));
    EXPECT_NE(c, z);
    // copying a list onto itself keeps it
    EXPECT_EQ(copieZones(&src.zs, &src.zs), nullptr);
    EXPECT_EQ(src.zs.nbZones, 2);
}

TEST(ZonesSol, RandomBytesNeverCrashTheReader)
{
    std::mt19937 g(99);
    const std::string modele = bloc(1) + bloc(2);
    for (int essai = 0; essai < 300; ++essai) {
        std::string texte = modele;
        for (int k = g() % 8; k > 0; --k) texte[g() % texte.size()] = static_cast<char>(g());
        texte.resize(g() % (texte.size() + 1));
        Liste l;
        litZones(&l.zs, textStream(texte));
        ASSERT_GE(l.zs.nbZones, 1);
    }
}

// ---- the force law ---------------------------------------------------------

struct Roue {
    Liste l;
    EntreeMacroSol e = {};
    Roue()
    {
        razFiltresMacroSol();
        ajouteZoneDefaut(&l.zs, 0, 0, 9999);
        e.r = 0.15;
        e.b = 0.12;
        e.g = 9.81;
    }
    // the 15 numbers of the trace line of one evaluation
    std::vector<double> trace(double F[3], int a = 0)
    {
        FILE* f = tmpfile();
        e.trace = f;
        contact_macroSol(F, a, &l.zs, &e);
        e.trace = nullptr;
        rewind(f);
        std::vector<double> v(15);
        int n = 0;
        for (auto& x : v) n += fscanf(f, "%lg", &x);
        EXPECT_EQ(n, 15);
        fclose(f);
        return v;
    }
};
enum { T, ROUE, FX, FY, FZ, DZ, I, VX, VLONG, VZ, OMEGA, JS, VYF, RC, FT };

TEST(MacroSol, NormalForceFollowsThePressureSinkageLaw)
{
    Roue w;
    w.e.dz = -0.01;
    double F[3];
    auto t = w.trace(F);
    const double k = 6940 / 0.12 + 505800;
    EXPECT_NEAR(F[2], 0.12 * k * 2 * sqrt(0.3) * pow(0.01, 1.5) / 3, 1e-9);
    EXPECT_EQ(F[0], 0.0);  // at rest: no slip, no side push
    EXPECT_EQ(F[1], 0.0);
    EXPECT_EQ(t[FT], 0.0);
    EXPECT_EQ(t[RC], 0.0);
}

TEST(MacroSol, AboveTheGroundNoForceAndTheRawStateIsTraced)
{
    Roue w;
    w.e.dz = 0.02;
    w.e.t = 1.5;
    w.e.V[0] = 0.1;
    w.e.V[1] = 0.2;
    w.e.V[2] = 0.3;
    w.e.omega = 4;
    double F[3] = {1, 1, 1};
    auto t = w.trace(F, 4);
    EXPECT_EQ(F[0], 0.0);
    EXPECT_EQ(F[2], 0.0);
    const std::vector<double> attendu = {1.5, 4, 0, 0, 0, 0.02, 0, 0.1, 0.2, 0.3, 4, 0, 0, 0, 0};
    EXPECT_EQ(t, attendu);
}

TEST(MacroSol, TouchingTheGroundHasNoStrengthSoNoForceAndNoNaN)
{
    Roue w;
    w.e.dz = 0.0;
    w.e.t = 1.0;  // dt = 1 s
    w.e.V[0] = 0.5;
    w.e.V[1] = 0.6;
    w.e.V[2] = -2.0;
    w.e.omega = 1.0;
    double F[3];
    auto t = w.trace(F);
    EXPECT_EQ(F[2], 0.0);
    EXPECT_EQ(t[RC], 0.0);
    EXPECT_EQ(t[FT], 0.0);  // no contact length, no shear strength
    EXPECT_NEAR(t[VYF], 1.0 * 0.6 / 3.0, 1e-15);
    // no contact length and no normal force: the soil can hold nothing, the
    // dampers included
    EXPECT_EQ(F[1], 0.0);
    EXPECT_EQ(F[0], 0.0);
}

TEST(MacroSol, SlowWheelGetsOnlyTheLongitudinalDamping)
{
    Roue w;
    w.e.dz = -0.005;
    w.e.t = 0.1;
    w.e.V[1] = 0.01;  // filtered to 0.1*0.01/2.1 < 0.001
    w.e.omega = 3.0;
    double F[3];
    auto t = w.trace(F);
    EXPECT_EQ(t[FT], 0.0);
    EXPECT_EQ(t[I], 0.0);
    EXPECT_NEAR(F[1], t[RC] - 10000 * (0.1 * 0.01 / 2.1), 1e-9);
    EXPECT_GT(t[RC], 0.0);  // opposes the slip velocity, here js < 0
}

TEST(MacroSol, SlipGivesTheShearDisplacementTractiveForce)
{
    Roue w;
    w.e.dz = -0.01;
    w.e.t = 1e9;  // the filters take the inputs at once
    w.e.V[1] = 0.1;
    w.e.omega = 0.2 / 0.15;  // r*omega = 0.2: js = -0.1, i = -0.5
    double F[3];
    auto t = w.trace(F);
    const double z = 0.01, r = 0.15, b = 0.12;
    const double th = acos(1 - z / r), L = r * 2 * th;
    const double Fz = b * (6940 / b + 505800) * 2 * sqrt(2 * r) * pow(z, 1.5) / 3;
    const double Hmax = b * L * 1150 + Fz * 0.5317094316614788;
    const double a = L * 0.5 / 0.012;
    EXPECT_NEAR(t[I], -0.5, 1e-6);
    EXPECT_NEAR(t[FT], -Hmax * (1 - (1 - exp(-a)) / a), 1e-3 * Hmax);
    EXPECT_NEAR(F[2], Fz, 1e-9);
}

TEST(MacroSol, FiltersAreKeptPerWheelAndSurviveAboveGround)
{
    Roue w;
    w.e.dz = -0.01;
    w.e.t = 2.0;
    w.e.V[1] = 1.0;
    double F[3];
    EXPECT_NEAR(w.trace(F, 1)[VYF], 2.0 / 4.0, 1e-15);
    EXPECT_EQ(w.trace(F, 2)[VYF], 2.0 / 4.0);  // another wheel starts from 0
    w.e.dz = 0.1;
    w.trace(F, 1);  // off the ground: not filtered
    w.e.dz = -0.01;
    w.e.t0 = 2.0;
    w.e.t = 4.0;
    EXPECT_NEAR(w.trace(F, 1)[VYF], (2 * 0.5 + 2 * 1.0) / 4.0, 1e-15);
    // a non-finite velocity makes a non-finite force, not a poisoned filter
    w.e.V[1] = NAN;
    w.e.t0 = 4.0;
    w.e.t = 6.0;
    contact_macroSol(F, 1, &w.l.zs, &w.e);
    EXPECT_TRUE(std::isnan(F[1]));
    w.e.V[1] = 1.0;
    EXPECT_TRUE(std::isfinite(w.trace(F, 1)[VYF]));
}

TEST(MacroSol, WheelNumberOutOfRangeOrNoZoneGivesNoForce)
{
    Roue w;
    w.e.dz = -0.01;
    double F[3] = {1, 1, 1};
    contact_macroSol(F, 6, &w.l.zs, &w.e);
    EXPECT_EQ(F[2], 0.0);
    F[2] = 1;
    contact_macroSol(F, -1, &w.l.zs, &w.e);
    EXPECT_EQ(F[2], 0.0);
    Liste vide;
    F[2] = 1;
    contact_macroSol(F, 0, &vide.zs, &w.e);
    EXPECT_EQ(F[2], 0.0);
}

}  // namespace
