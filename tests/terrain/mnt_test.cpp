// The terrain grid: generated shapes, file reading and its failures, node
// differences and normals, and the height-and-normal query.
#include "terrain/mnt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/streams.h"

namespace {

// a generated or read grid, released at the end of the test
struct Terrain {
    Mnt m;
    FILE* f = nullptr;
    Terrain() { defauts_mnt(&m); }
    ~Terrain()
    {
        libere_mnt(&m);
        if (f) fclose(f);
    }
    // a real temporary file holding the text, as the terrain file
    void fichier(const std::string& texte) { m.fichier = f = textStream(texte); }
    double h(int i, int j) const { return m.h[i * m.ny + j]; }
    double x(int i) const { return m.Xmin + i * m.dx; }
    double y(int j) const { return m.Ymin + j * m.dy; }
};

// builds and returns the result, with what went to the error stream
int construit(Terrain& t, std::string* erreurs = nullptr)
{
    testing::internal::CaptureStderr();
    int r = new_mnt(&t.m);
    std::string e = testing::internal::GetCapturedStderr();
    if (erreurs) *erreurs = e;
    return r;
}

TEST(Mnt, DefaultsGiveAnEightyOneSquareRandomGridWithBoundedBumps)
{
    Terrain t, lisse;
    lisse.m.hBosses = 0.0;
    ASSERT_EQ(construit(t), 0);
    ASSERT_EQ(construit(lisse), 0);
    EXPECT_EQ(t.m.nx, 81);
    EXPECT_EQ(t.m.ny, 81);
    EXPECT_EQ(t.m.dx, 0.25);
    EXPECT_EQ(t.m.dy, 0.25);
    EXPECT_EQ(t.m.Xmin, -10.0);
    EXPECT_EQ(t.m.Ymax, 10.0);
    EXPECT_GT(t.m.zmin, -1.2);
    EXPECT_LT(t.m.zmax, 1.2);
    EXPECT_EQ(t.m.zmin, lisse.m.zmin);  // extremes are taken before the bumps
    double plusHaute = 0.0;
    for (int k = 0; k < 81 * 81; ++k) {
        double bosse = t.m.h[k] - lisse.m.h[k];
        EXPECT_GE(bosse, -1e-15);
        EXPECT_LE(bosse, 0.1 + 1e-15);
        plusHaute = std::max(plusHaute, bosse);
        EXPECT_NEAR(vec_norm(t.m.normale[k]), 1.0, 1e-15);
    }
    EXPECT_GT(plusHaute, 0.09);  // uniform draws over 6561 nodes reach the top
}

TEST(Mnt, SameParametersGiveIdenticalHeights)
{
    Terrain a, b;
    ASSERT_EQ(construit(a), 0);
    srand(42);  // whatever the generator did in between
    ASSERT_EQ(construit(b), 0);
    EXPECT_EQ(0, memcmp(a.m.h, b.m.h, 7 * sizeof(double) * 81 * 81));
}

TEST(Mnt, TheSeedChangesTheBumpsAndNothingElse)
{
    Terrain a, b, lisse;
    b.m.graine = 2024;
    lisse.m.hBosses = 0.0;
    ASSERT_EQ(construit(a), 0);
    ASSERT_EQ(construit(b), 0);
    ASSERT_EQ(construit(lisse), 0);
    EXPECT_EQ(a.m.graine, 1234567u);
    int differentes = 0;
    for (int k = 0; k < 81 * 81; ++k) {
        double bosse = b.m.h[k] - lisse.m.h[k];
        EXPECT_GE(bosse, -1e-15);
        EXPECT_LE(bosse, 0.1 + 1e-15);
        differentes += a.m.h[k] != b.m.h[k];
    }
    EXPECT_GT(differentes, 81 * 81 * 9 / 10);
    EXPECT_EQ(a.m.zmin, b.m.zmin);  // the base shape is the seed's no more
}

TEST(Mnt, FlatGroundIsZeroWithVerticalNormalsEverywhere)
{
    Terrain t;
    t.m.typeMNT = MntPlat;
    t.m.hBosses = 0.0;
    ASSERT_EQ(construit(t), 0);
    for (int k = 0; k < t.m.nx * t.m.ny; ++k) {
        EXPECT_EQ(t.m.h[k], 0.0);
        EXPECT_EQ(t.m.normale[k][2], 1.0);
    }
    const double points[][2] = {{0.1, 0.2}, {-10, -10}, {10, 10}, {-30, 55}, {3.3, -7.77}};
    for (auto& p : points) {
        Vec3 n;
        EXPECT_EQ(hauteur_mnt(&t.m, p[0], p[1], n), 0.0);
        EXPECT_EQ(n[0], 0.0);
        EXPECT_EQ(n[1], 0.0);
        EXPECT_EQ(n[2], 1.0);
    }
}

TEST(Mnt, CylindricalSineDependsOnYOnlyAndSpansFourTimesCoefH)
{
    Terrain t;
    t.m.typeMNT = MntSinus;
    t.m.hBosses = 0.0;
    t.m.coefH = 2.0;
    ASSERT_EQ(construit(t), 0);
    ASSERT_EQ(t.m.ny % 2, 1);
    for (int i = 0; i < t.m.nx; ++i)
        for (int j = 0; j < t.m.ny; ++j) ASSERT_EQ(t.h(i, j), t.h(0, j));
    EXPECT_EQ(t.h(5, 0), 4.0 * 2.0);
    EXPECT_NEAR(t.h(5, t.m.ny - 1), 4.0 * 2.0, 1e-14);
    EXPECT_NEAR(t.h(5, t.m.ny / 2), 0.0, 1e-14);
    EXPECT_EQ(t.m.zmax, 8.0);
    // no slope along X anywhere: the normal has no X component
    Vec3 n;
    hauteur_mnt(&t.m, 1.234, -3.21, n);
    EXPECT_EQ(n[0], 0.0);
}

TEST(Mnt, FileOfThreeLinesOfFourValuesSpansTheDefaultExtent)
{
    Terrain t;
    t.m.hBosses = 0.0;
    t.m.coefH = 10.0;
    t.fichier("1 2 3 4\n5 6 7 8\n9 10 11 12\n");
    ASSERT_EQ(construit(t), 0);
    EXPECT_EQ(t.m.nx, 4);
    EXPECT_EQ(t.m.ny, 3);
    EXPECT_EQ(t.m.dx, 20.0 / 3);
    EXPECT_EQ(t.m.dy, 10.0);
    EXPECT_EQ(t.h(1, 0), 10.0 * 2);  // second value of the first line
    EXPECT_EQ(t.h(0, 1), 10.0 * 5);  // first value of the second line
    EXPECT_EQ(t.m.zmin, 10.0);
    EXPECT_EQ(t.m.zmax, 120.0);
    EXPECT_EQ(t.m.Xmax, 10.0);  // the extent stays as given
}

TEST(Mnt, FileNotationsLineEndingsAndLongLinesAreRead)
{
    struct Cas {
        const char* nom;
        std::string texte;
        int nx, ny;
        double h10;  // node (1, 0)
    } cas[] = {
        {"CR LF", "1 2\r\n3 4\r\n", 2, 2, 2.0},
        {"no final line break", "1 2\n3 4", 2, 2, 2.0},
        {"signs and exponents", "+1.5e0 -2.5E-1\n.5 3\n", 2, 2, -0.25},
        {"tabs and runs of blanks", "\t1   7 \n 3\t\t4\n", 2, 2, 7.0},
        {"text after the numbers", "1 2 fin\n3 4 fin\n", 2, 2, 2.0},
    };
    for (auto& c : cas) {
        Terrain t;
        t.m.hBosses = 0.0;
        t.fichier(c.texte);
        EXPECT_EQ(construit(t), 0) << c.nom;
        EXPECT_EQ(t.m.nx, c.nx) << c.nom;
        EXPECT_EQ(t.m.ny, c.ny) << c.nom;
        EXPECT_EQ(t.h(1, 0), c.h10) << c.nom;
    }
    // 1000 values per line: far beyond the first buffer size
    std::string ligne;
    for (int i = 0; i < 1000; ++i) ligne += std::to_string(i * 0.001) + " ";
    Terrain t;
    t.fichier(ligne + "\n" + ligne + "\n" + ligne + "\n");
    EXPECT_EQ(construit(t), 0);
    EXPECT_EQ(t.m.nx, 1000);
    EXPECT_EQ(t.m.ny, 3);
}

TEST(Mnt, MalformedFilesFallBackToTheGeneratedTerrainWithTheirMessage)
{
    const std::string colonnes = " Nombre de colonnes non constant dans loada() !\n";
    const std::string lecture = " Erreur lecture dans loada() !\n";
    const std::string finie = " Valeur non finie dans loada() !\n";
    const std::string noeuds = " Moins de 2 noeuds sur un axe dans loada() !\n";
    struct Cas {
        const char* nom;
        std::string texte;
        std::string message;
    } cas[] = {
        {"second line one value longer", "1 2 3\n4 5 6 7\n", colonnes},
        {"second line shorter", "1 2 3\n4 5\n", colonnes},
        {"empty file", "", "Echec lecture dans loada() !\n"},
        {"blank line between rows", "1 2\n\n3 4\n", colonnes},
        {"blank first line", "\n1 2\n3 4\n", colonnes},
        {"blank last line", "1 2\n3 4\n\n", colonnes},
        {"text before the numbers", "x 1 2\n3 4 5\n", lecture},
        {"text between the numbers", "1 2\n3 deux 4\n", lecture},
        {"zero byte in a line", std::string("1 2\n3\0 4\n", 9), lecture},
        {"not a number", "1 nan 2\n3 4 5\n", finie},
        {"infinity", "1 2\n-inf 4\n", finie},
        {"overflow", "1 2\n1e999 4\n", finie},
        {"a single column", "1\n2\n3\n", noeuds},
        {"a single row", "1 2 3\n", noeuds},
        {"blank lines only", "\n\n\n", noeuds},
    };
    for (auto& c : cas) {
        Terrain t;
        t.fichier(c.texte);
        std::string erreurs;
        EXPECT_EQ(construit(t, &erreurs), 1) << c.nom;
        EXPECT_EQ(erreurs, c.message) << c.nom;
        EXPECT_EQ(t.m.nx, 81) << c.nom;  // the generated terrain of the record
        EXPECT_EQ(t.m.dx, 0.25) << c.nom;
    }
}

TEST(Mnt, UnusableExtentsAndCellsAreScenarioErrorsWithoutGrid)
{
    struct Cas {
        const char* nom;
        double Xmin, Xmax, dx, coefH;
        const char* fichier;
    } cas[] = {
        {"empty extent", 5, 5, 0.25, 1, nullptr},
        {"cell larger than twice the extent", -10, 10, 50, 1, nullptr},
        {"zero cell", -10, 10, 0, 1, nullptr},
        {"cell not a number", -10, 10, NAN, 1, nullptr},
        {"infinite extent", -10, INFINITY, 0.25, 1, nullptr},
        {"infinite multiplier", -10, 10, 0.25, INFINITY, nullptr},
        {"empty extent with a good file", 5, 5, 0.25, 1, "1 2\n3 4\n"},
        {"bad file and zero cell", -10, 10, 0, 1, "1\n"},
    };
    for (auto& c : cas) {
        Terrain t;
        t.m.Xmin = c.Xmin;
        t.m.Xmax = c.Xmax;
        t.m.dx = c.dx;
        t.m.coefH = c.coefH;
        if (c.fichier) t.fichier(c.fichier);
        std::string erreurs;
        EXPECT_EQ(construit(t, &erreurs), -2) << c.nom;
        EXPECT_FALSE(erreurs.empty()) << c.nom;
        EXPECT_EQ(t.m.h, nullptr) << c.nom;
        EXPECT_EQ(hauteur_mnt(&t.m, 0, 0, nullptr), 0.0) << c.nom;
    }
    // a cell a little under twice the extent still gives the 2 nodes needed
    Terrain t;
    t.m.dx = 39.0;
    EXPECT_EQ(construit(t), 0);
    EXPECT_EQ(t.m.nx, 2);
    EXPECT_EQ(t.m.dx, 20.0);
}

TEST(Mnt, MixedDifferenceIsDividedByTheSumOfStepCounts)
{
    Terrain t;
    t.m.hBosses = 0.0;
    // h(i, j) = i*j*j on a 3 x 3 grid, rows along Y
    t.fichier("0 0 0\n0 1 2\n0 4 8\n");
    ASSERT_EQ(construit(t), 0);
    auto k = [&](int i, int j) { return i * 3 + j; };
    // corner (0, 0): one step each way
    EXPECT_EQ(t.m.dzxy[k(0, 0)], (t.h(1, 1) + t.h(0, 0) - t.h(1, 0) - t.h(0, 1)) / 2);
    // edge (1, 0): two steps in X, one in Y
    EXPECT_EQ(t.m.dzxy[k(1, 0)], (t.h(2, 1) + t.h(0, 0) - t.h(2, 0) - t.h(0, 1)) / 3);
    // inside (1, 1)
    EXPECT_EQ(t.m.dzxy[k(1, 1)], (t.h(2, 2) + t.h(0, 0) - t.h(2, 0) - t.h(0, 2)) / 4);
    EXPECT_EQ(t.m.dzx[k(1, 2)], (8.0 - 0.0) / 2);
    EXPECT_EQ(t.m.dzx[k(2, 2)], (8.0 - 4.0) / 1);
    EXPECT_EQ(t.m.dzy[k(2, 0)], (2.0 - 0.0) / 1);
    // node normal from the differences per step and the spacings (10 m)
    const double a = -t.m.dzx[k(2, 2)] * 10, b = -t.m.dzy[k(2, 2)] * 10, c = 100;
    EXPECT_NEAR(t.m.normale[k(2, 2)][0], a / sqrt(a * a + b * b + c * c), 1e-16);
}

TEST(Mnt, HeightIsExactOnNodesAndOnTheUpperEdges)
{
    Terrain t;
    t.m.hBosses = 0.0;
    t.fichier("1 2 3 4\n5 6 7 8\n9 10 11 12\n");  // dx = 20/3
    ASSERT_EQ(construit(t), 0);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(hauteur_mnt(&t.m, t.x(i), t.y(j), nullptr), t.h(i, j), 4e-15 * 12);
    EXPECT_EQ(hauteur_mnt(&t.m, 10.0, -10.0, nullptr), 4.0);
    EXPECT_EQ(hauteur_mnt(&t.m, 10.0, 10.0, nullptr), 12.0);
    EXPECT_EQ(hauteur_mnt(&t.m, -10.0, 10.0, nullptr), 9.0);

    // with 30 columns 20/dx rounds just under 29: the edge still answers the
    // last column exactly
    std::string ligne;
    for (int i = 0; i < 30; ++i) ligne += std::to_string(i * i) + " ";
    Terrain c;
    c.fichier(ligne + "\n" + ligne + "\n");
    ASSERT_EQ(construit(c), 0);
    EXPECT_EQ(hauteur_mnt(&c.m, 10.0, -10.0, nullptr), c.h(29, 0));

    Terrain r;  // the random surface, every node
    ASSERT_EQ(construit(r), 0);
    for (int i = 0; i < r.m.nx; ++i)
        for (int j = 0; j < r.m.ny; ++j)
            ASSERT_NEAR(hauteur_mnt(&r.m, r.x(i), r.y(j), nullptr), r.h(i, j), 1e-14);
}

TEST(Mnt, QueriesOutsideTheGridAnswerTheNearestEdge)
{
    Terrain t;
    ASSERT_EQ(construit(t), 0);
    Vec3 n1, n2;
    for (double y : {-10.0, -3.3, 0.0, 7.9, 10.0}) {
        EXPECT_EQ(hauteur_mnt(&t.m, -12.0, y, n1), hauteur_mnt(&t.m, -10.0, y, n2));
        EXPECT_EQ(n1[0], n2[0]);
        EXPECT_EQ(hauteur_mnt(&t.m, 1e300, y, nullptr), hauteur_mnt(&t.m, 10.0, y, nullptr));
        EXPECT_EQ(hauteur_mnt(&t.m, y, -INFINITY, nullptr), hauteur_mnt(&t.m, y, -10.0, nullptr));
    }
    // a NaN position is answered on the lower edge, finite
    EXPECT_TRUE(std::isfinite(hauteur_mnt(&t.m, NAN, NAN, n1)));
    EXPECT_TRUE(std::isfinite(n1[2]));
}

TEST(Mnt, HeightAndNormalAreContinuousAcrossCellBorders)
{
    Terrain t;
    ASSERT_EQ(construit(t), 0);
    const double d = 1e-9;  // far below a cell, far above rounding
    for (int i = 1; i < t.m.nx - 1; i += 7)
        for (double y : {-9.9, -2.31, 0.07, 5.55}) {
            Vec3 na, nb;
            double a = hauteur_mnt(&t.m, t.x(i) - d, y, na);
            double b = hauteur_mnt(&t.m, t.x(i) + d, y, nb);
            EXPECT_NEAR(a, b, 1e-7);
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(na[c], nb[c], 1e-6);
            a = hauteur_mnt(&t.m, y, t.y(i) - d, na);
            b = hauteur_mnt(&t.m, y, t.y(i) + d, nb);
            EXPECT_NEAR(a, b, 1e-7);
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(na[c], nb[c], 1e-6);
        }
}

TEST(Mnt, NormalAgreesWithTheFiniteDifferenceSlopeOfTheHeight)
{
    Terrain t;
    t.m.coefH = 3.0;  // steep enough to tell the components apart
    ASSERT_EQ(construit(t), 0);
    std::mt19937 g(7);
    std::uniform_real_distribution<double> u(-9.9, 9.9);
    const double d = 1e-6;
    for (int k = 0; k < 200; ++k) {
        double x = u(g), y = u(g);
        Vec3 n;
        hauteur_mnt(&t.m, x, y, n);
        double sx = (hauteur_mnt(&t.m, x + d, y, nullptr) - hauteur_mnt(&t.m, x - d, y, nullptr)) / (2 * d);
        double sy = (hauteur_mnt(&t.m, x, y + d, nullptr) - hauteur_mnt(&t.m, x, y - d, nullptr)) / (2 * d);
        double s = sqrt(sx * sx + sy * sy + 1);
        EXPECT_NEAR(n[0], -sx / s, 1e-6) << x << " " << y;
        EXPECT_NEAR(n[1], -sy / s, 1e-6) << x << " " << y;
        EXPECT_NEAR(n[2], 1 / s, 1e-6) << x << " " << y;
    }
}

TEST(Mnt, RandomBytesNeverCrashTheReader)
{
    std::mt19937 g(1234);
    const char alphabet[] = "0123456789 \n\r\t.-+eE,xna\0\377";
    int lus = 0;
    for (int essai = 0; essai < 400; ++essai) {
        std::string texte(g() % 300, ' ');
        for (auto& c : texte) c = alphabet[g() % (sizeof alphabet - 1)];
        FILE* f = textStream(texte);
        int nx = 0, ny = 0;
        testing::internal::CaptureStderr();
        double* mat = loada(f, &nx, &ny);
        testing::internal::GetCapturedStderr();
        fclose(f);
        if (!mat) continue;
        ++lus;
        ASSERT_GE(nx, 2);
        ASSERT_GE(ny, 2);
        for (int k = 0; k < nx * ny; ++k) ASSERT_TRUE(std::isfinite(mat[k]));
        free(mat);
    }
    SUCCEED() << lus << " readable inputs";
}

}  // namespace
