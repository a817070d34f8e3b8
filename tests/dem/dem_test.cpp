// Raster elevation models into the terrain grid: planes read exactly at and
// between nodes in projected and geographic CRSs (Earth and Mars), holes,
// windows and decimation, and the refusal of every bad input.
#include "dem/dem.h"
#include "terrain/mnt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "dem/rasters.h"

namespace {

// an imported grid, released at the end of the test
struct Import {
    Mnt m;
    std::string message;
    Import()
    {
        defauts_mnt(&m);
        m.hBosses = 0.0;  // heights then equal the raster's
    }
    ~Import() { libere_mnt(&m); }
    int charge(const std::string& chemin, DemFenetre f = dem_fenetre_defaut(), double coefH = 1.0,
               DemProgres p = nullptr, void* arg = nullptr)
    {
        return dem_charge(chemin.c_str(), f, coefH, &m, &message, p, arg);
    }
    double h(int i, int j) const { return m.h[static_cast<size_t>(i) * m.ny + j]; }
    double x(int i) const { return m.Xmin + i * m.dx; }
    double y(int j) const { return m.Ymin + j * m.dy; }
};

DemFenetre fenetre(double cx, double cy, double taille, double pas = 0.0, int noeudsMax = 0)
{
    DemFenetre f = dem_fenetre_defaut();
    f.cx = cx;
    f.cy = cy;
    f.taille = taille;
    f.pas = pas;
    f.noeudsMax = noeudsMax;
    return f;
}

// the plane z = z0 + a*x + b*y checked at every node, at cell centres and
// quarter points through the Hermite query, with its normal
void verifiePlan(const Import& t, double z0, double a, double b, double tol)
{
    const double nn = std::sqrt(a * a + b * b + 1.0);
    for (int i = 0; i < t.m.nx; ++i)
        for (int j = 0; j < t.m.ny; ++j)
            ASSERT_NEAR(t.h(i, j), z0 + a * t.x(i) + b * t.y(j), tol) << i << "," << j;
    for (double u : {0.25, 0.5, 0.9})
        for (int i = 0; i + 1 < t.m.nx; i += std::max(1, t.m.nx / 7))
            for (int j = 0; j + 1 < t.m.ny; j += std::max(1, t.m.ny / 7)) {
                const double x = t.x(i) + u * t.m.dx, y = t.y(j) + (1 - u) * t.m.dy;
                double n[3];
                ASSERT_NEAR(hauteur_mnt(&t.m, x, y, n), z0 + a * x + b * y, tol);
                EXPECT_NEAR(n[0], -a / nn, 1e-6);
                EXPECT_NEAR(n[1], -b / nn, 1e-6);
                EXPECT_NEAR(n[2], 1.0 / nn, 1e-6);
            }
}

TEST(Dem, PlaneInProjectedCrsIsExactAtNodesAndBetween)
{
    TempDir d;
    ASSERT_TRUE(planUtm().ecrit(d / "plan.tif"));
    Import t;
    const double cx = 500101.0, cy = 4648851.0;  // a pixel centre
    ASSERT_EQ(t.charge(d / "plan.tif", fenetre(cx, cy, 100.0), 2.0), 0) << t.message;
    // 51 pixel centres within +-50 m, the centre pixel at the origin
    EXPECT_EQ(t.m.nx, 51);
    EXPECT_EQ(t.m.ny, 51);
    EXPECT_DOUBLE_EQ(t.m.dx, 2.0);
    EXPECT_DOUBLE_EQ(t.m.Xmin, -50.0);
    EXPECT_DOUBLE_EQ(t.m.Ymax, 50.0);
    // coefH 2 doubles the heights, the frame is X east, Y north
    const double z0 = 2.0 * (120.0 + 0.05 * (cx - 500000.0) - 0.03 * (cy - 4649000.0));
    verifiePlan(t, z0, 2.0 * 0.05, -2.0 * 0.03, 1e-9);
    EXPECT_NE(t.message.find("51 x 51 noeuds"), std::string::npos) << t.message;
}

TEST(Dem, GeographicPlanesAreWarpedToAMetricFrameOnEarthAndMars)
{
    struct Cas {
        const char* nom;
        std::string scr;
        double a;  // semi-major axis, m
    } cas[] = {
        {"Terre", "EPSG:4326", 6378137.0},
        {"Mars",
         "GEOGCS[\"Mars 2000\",DATUM[\"D_Mars_2000\",SPHEROID[\"Mars_2000_IAU_IAG\",3396190,169.894447223612]],"
         "PRIMEM[\"Reference_Meridian\",0],UNIT[\"degree\",0.0174532925199433]]",
         3396190.0},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        const double lon0 = 2.0, lat0 = 45.0;
        // heights a plane in the local transverse Mercator of the window,
        // computed at each pixel centre from its own longitude and latitude
        OGRSpatialReference geo, tm;
        geo.SetFromUserInput(c.scr.c_str());
        geo.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        tm.CopyGeogCSFrom(&geo);
        tm.SetTM(lat0, lon0, 1.0, 0.0, 0.0);
        tm.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        std::unique_ptr<OGRCoordinateTransformation> ct(OGRCreateCoordinateTransformation(&geo, &tm));
        ASSERT_TRUE(ct);
        Raster r;
        r.W = r.H = 120;
        const double pix = 2.0e-4 * 6378137.0 / c.a;  // about 22 m by 16 m of pixel on either body
        const double g[6] = {lon0 - 60 * pix, pix, 0.0, lat0 + 60 * pix, 0.0, -pix};
        std::copy(g, g + 6, r.gt);
        r.scr = c.scr;
        r.hauteur = [&](int, int, double e, double n) {
            double x = e, y = n;
            ct->Transform(1, &x, &y);
            return 300.0 + 0.1 * x + 0.02 * y;
        };
        TempDir d;
        ASSERT_TRUE(r.ecrit(d / "geo.tif"));
        Import t;
        ASSERT_EQ(t.charge(d / "geo.tif", fenetre(lon0, lat0, 600.0, 10.0)), 0) << t.message;
        EXPECT_EQ(t.m.nx, 61);
        EXPECT_DOUBLE_EQ(t.m.dx, 10.0);
        EXPECT_NEAR(t.m.Xmin, -300.0, 1e-9);
        // the warp's bilinear step is exact on a plane up to the curvature
        // of the degree grid over one pixel: well under a millimetre here
        verifiePlan(t, 300.0, 0.1, 0.02, 1e-3);
        EXPECT_NE(t.message.find("Mercator transverse"), std::string::npos) << t.message;
    }
}

TEST(Dem, HolesAreFilledFromNeighboursAndAMostlyEmptyWindowIsRefused)
{
    TempDir d;
    Raster r = planUtm();
    r.nodata = true;
    auto plan = r.hauteur;
    r.hauteur = [plan](int c, int l, double e, double n) {
        if ((c == 50 && l == 70) || (c == 120 && l == 20) || (c == 121 && l == 20)) return -9999.0;
        return plan(c, l, e, n);
    };
    ASSERT_TRUE(r.ecrit(d / "trous.tif"));
    Import t;
    ASSERT_EQ(t.charge(d / "trous.tif"), 0) << t.message;
    EXPECT_EQ(t.m.nx, 200);
    EXPECT_NE(t.message.find("3 noeuds sans valeur bouchés"), std::string::npos) << t.message;
    // a hole inside a plane is filled by inverse distances within one
    // step's rise (0.1 + 0.06 m); every other node keeps its value
    const double cx = 500200.0, cy = 4648850.0;
    verifiePlan(t, 120.0 + 0.05 * (cx - 500000.0) - 0.03 * (cy - 4649000.0), 0.05, -0.03, 0.16);
    EXPECT_DOUBLE_EQ(t.h(51, 79), 120.0 + 0.05 * 103.0 - 0.03 * -141.0);

    r.hauteur = [plan](int c, int l, double e, double n) { return c + l < 200 ? -9999.0 : plan(c, l, e, n); };
    ASSERT_TRUE(r.ecrit(d / "vide.tif"));
    Import v;
    EXPECT_EQ(v.charge(d / "vide.tif", fenetre(500050.0, 4649000.0 - 50.0, 80.0)), 1);
    EXPECT_NE(v.message.find("presque vide"), std::string::npos) << v.message;
    EXPECT_EQ(v.m.h, nullptr);
}

TEST(Dem, DecimationAveragesBlocksWithinTheNodeLimitAndKeepsPlanesExact)
{
    TempDir d;
    Raster r = rasterUtm(1000, 1000, 1.0);
    r.type = GDT_Float32;  // heights near the origin keep their float digits
    r.hauteur = [](int, int, double e, double n) { return 10.0 + 0.25 * (e - 500000.0) + 0.5 * (n - 4649000.0); };
    ASSERT_TRUE(r.ecrit(d / "grand.tif"));
    struct Cas {
        DemFenetre f;
        int noeuds;
        double pas;
    } cas[] = {
        {fenetre(NAN, NAN, 0.0, 0.0, 101), 100, 10.0},  // whole raster, limit 101 nodes
        {fenetre(500500.5, 4648499.5, 200.0, 4.0), 50, 4.0},
        {fenetre(500500.5, 4648499.5, 200.0, 0.0, 64), 50, 4.0},
    };
    for (const Cas& c : cas) {
        Import t;
        ASSERT_EQ(t.charge(d / "grand.tif", c.f), 0) << t.message;
        EXPECT_EQ(t.m.nx, c.noeuds);
        EXPECT_EQ(t.m.ny, c.noeuds);
        EXPECT_DOUBLE_EQ(t.m.dx, c.pas);
        // the mean of a block of a plane is the plane at the block's centre
        const double cx = std::isnan(c.f.cx) ? 500500.0 : c.f.cx, cy = std::isnan(c.f.cy) ? 4648500.0 : c.f.cy;
        verifiePlan(t, 10.0 + 0.25 * (cx - 500000.0) + 0.5 * (cy - 4649000.0), 0.25, 0.5, 1e-3);
    }
}

TEST(Dem, WindowAtTheEdgeIsCutAndSaid)
{
    TempDir d;
    ASSERT_TRUE(planUtm().ecrit(d / "plan.tif"));
    Import t;
    ASSERT_EQ(t.charge(d / "plan.tif", fenetre(500010.0, 4648850.0, 100.0)), 0) << t.message;
    EXPECT_NE(t.message.find("rognée"), std::string::npos) << t.message;
    EXPECT_DOUBLE_EQ(t.m.Xmin, -9.0);  // the first pixel centre, 9 m west of the centre
    EXPECT_EQ(t.m.nx, 30);  // centres 500001 to 500059
}

TEST(Dem, RasterWithoutCrsOrGeoreferencingIsTakenInMetresWithAWarning)
{
    TempDir d;
    Raster r;
    r.W = 8;
    r.H = 6;
    r.hauteur = [](int c, int l, double, double) { return 1.0 * c - 2.0 * l; };
    ASSERT_TRUE(r.ecrit(d / "sans-scr.tif"));
    Import t;
    ASSERT_EQ(t.charge(d / "sans-scr.tif"), 0) << t.message;
    EXPECT_NE(t.message.find("sans système de coordonnées"), std::string::npos) << t.message;
    EXPECT_DOUBLE_EQ(t.m.dx, 1.0);
    // the first row is the northern one: the height rises to the north
    verifiePlan(t, 3.5 - 2.0 * 2.5, 1.0, 2.0, 1e-9);

    // an 8-bit image without any georeferencing: 1 m pixels
    Raster png;
    png.W = png.H = 5;
    png.type = GDT_Byte;
    png.pilote = "MEM";
    png.hauteur = [](int c, int, double, double) { return 10.0 * c; };
    GDALAllRegister();
    GDALDataset* mem = GetGDALDriverManager()->GetDriverByName("MEM")->Create("", 5, 5, 1, GDT_Byte, nullptr);
    std::vector<unsigned char> px(25);
    for (int k = 0; k < 25; ++k) px[k] = static_cast<unsigned char>(10 * (k % 5));
    ASSERT_EQ(mem->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, 5, 5, px.data(), 5, 5, GDT_Byte, 0, 0, nullptr), CE_None);
    GDALDataset* out = GetGDALDriverManager()->GetDriverByName("PNG")->CreateCopy(
        (d / "relief.png").c_str(), mem, FALSE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(out);
    GDALClose(out);
    GDALClose(mem);
    Import p;
    ASSERT_EQ(p.charge(d / "relief.png"), 0) << p.message;
    EXPECT_NE(p.message.find("sans géoréférencement"), std::string::npos) << p.message;
    verifiePlan(p, 20.0, 10.0, 0.0, 1e-9);
}

TEST(Dem, EveryBadInputIsRefusedWithAFrenchMessageAndNoGrid)
{
    TempDir d;
    ASSERT_TRUE(planUtm().ecrit(d / "plan.tif"));
    {
        std::ofstream(d / "bruit.tif") << "II*\0 ce ne sont pas des pixels";
        Raster rgb = planUtm();
        rgb.bandes = 3;
        rgb.type = GDT_Byte;
        rgb.options = {"PHOTOMETRIC=RGB"};
        ASSERT_TRUE(rgb.ecrit(d / "rgb.tif"));
        Raster fin = planUtm();
        fin.H = 1;
        ASSERT_TRUE(fin.ecrit(d / "ligne.tif"));
        Raster inf = planUtm();
        inf.hauteur = [](int c, int l, double, double) { return c == 100 && l == 75 ? INFINITY : 1.0; };
        ASSERT_TRUE(inf.ecrit(d / "inf.tif"));
        Raster aberr = planUtm();
        aberr.type = GDT_Float32;
        aberr.hauteur = [](int c, int, double, double) { return c == 3 ? -3.4e38 : 1.0; };
        ASSERT_TRUE(aberr.ecrit(d / "aberrant.tif"));
        Raster tourne = planUtm();
        tourne.gt[2] = 0.5;
        ASSERT_TRUE(tourne.ecrit(d / "tourne.tif"));
        // one pixel side sound, the other absurd or a sliver of the first
        Raster filiforme = rasterUtm(6, 5, 1.0);
        filiforme.gt[5] = -3.1e231;
        ASSERT_TRUE(filiforme.ecrit(d / "filiforme.tif"));
        Raster allonge = rasterUtm(6, 5, 1.0);
        allonge.gt[1] = 500.0;
        ASSERT_TRUE(allonge.ecrit(d / "allonge.tif"));
        // a real file cut short: its header promises pixels that are gone
        Raster gros = planUtm();
        gros.options = {"COMPRESS=DEFLATE"};
        ASSERT_TRUE(gros.ecrit(d / "entier.tif"));
        std::filesystem::copy_file(d / "entier.tif", d / "tronque.tif");
        std::filesystem::resize_file(d / "tronque.tif", std::filesystem::file_size(d / "entier.tif") / 2);
    }
    struct Cas {
        std::string fichier;
        DemFenetre f;
        const char* attendu;
    } cas[] = {
        {"absent.tif", dem_fenetre_defaut(), "illisible"},
        {"bruit.tif", dem_fenetre_defaut(), "illisible"},
        {"tronque.tif", dem_fenetre_defaut(), "tronqué"},
        {"rgb.tif", dem_fenetre_defaut(), "Image en couleurs (3 bandes)"},
        {"ligne.tif", dem_fenetre_defaut(), "au moins 2 noeuds"},
        {"inf.tif", dem_fenetre_defaut(), "Valeur non finie"},
        {"aberrant.tif", dem_fenetre_defaut(), "Hauteur hors limites"},
        {"tourne.tif", dem_fenetre_defaut(), "tourné ou cisaillé"},
        {"filiforme.tif", dem_fenetre_defaut(), "pixel de 1 x 3.1e+231 m"},
        {"allonge.tif", dem_fenetre_defaut(), "Pixels du MNT trop allongés : 500 x 1 m"},
        {"plan.tif", fenetre(400000.0, 4648850.0, 100.0), "hors du MNT"},
        {"plan.tif", fenetre(500101.0, 4648851.0, 1.0), "Fenêtre trop petite"},
        {"plan.tif", fenetre(500101.0, 4648851.0, -5.0), "Fenêtre du MNT invalide"},
        {"plan.tif", fenetre(500101.0, NAN, 10.0), "Fenêtre du MNT invalide"},
        {"plan.tif", fenetre(500101.0, 4648851.0, 20.0, 50.0), "moins de 2 noeuds"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.fichier);
        Import t;
        EXPECT_EQ(t.charge(d / c.fichier, c.f), 1);
        EXPECT_NE(t.message.find(c.attendu), std::string::npos) << t.message;
        EXPECT_EQ(t.m.h, nullptr);
        EXPECT_EQ(t.m.nx, 0);
        EXPECT_EQ(t.m.Xmin, -10.0);  // the record's extent is left as it was
        DemInfo info;
        std::string m;
        if (c.f.taille == 0.0 && c.fichier != "tronque.tif" && c.fichier != "inf.tif" && c.fichier != "aberrant.tif") {
            EXPECT_FALSE(dem_info((d / c.fichier).c_str(), &info, &m));
        }
    }
    // sound heights pushed past any body's ground by the Z multiplier
    Import t;
    EXPECT_EQ(t.charge(d / "plan.tif", dem_fenetre_defaut(), 1e8), 1);
    EXPECT_NE(t.message.find("après le coefficient multiplicateur en Z"), std::string::npos) << t.message;
    EXPECT_EQ(t.m.h, nullptr);
}

TEST(Dem, FormatIsRecognisedFromTheContentAndProgressCanStopTheRead)
{
    TempDir d;
    ASSERT_TRUE(planUtm().ecrit(d / "deguise.txt"));
    std::ofstream(d / "matrice.tif") << "1 2 3\n4 5 6\n";
    std::ofstream(d / "notes.txt") << "hauteurs :\n1 2\n";
    std::ofstream(d / "binaire.dat") << std::string("\x01\x02\x00\x7f", 4);
    EXPECT_TRUE(dem_est_raster((d / "deguise.txt").c_str()));
    EXPECT_FALSE(dem_est_raster((d / "matrice.tif").c_str()));
    EXPECT_FALSE(dem_est_raster((d / "absent").c_str()));
    EXPECT_FALSE(dem_est_raster((d / "notes.txt").c_str()));  // a malformed matrix stays one
    EXPECT_TRUE(dem_est_raster((d / "binaire.dat").c_str()));  // and unknown bytes are no matrix

    DemInfo info;
    std::string m;
    ASSERT_TRUE(dem_info((d / "deguise.txt").c_str(), &info, &m)) << m;
    EXPECT_EQ(info.largeur, 200);
    EXPECT_NE(info.scr.find("UTM zone 31N"), std::string::npos);
    EXPECT_DOUBLE_EQ(info.resMetres, 2.0);
    EXPECT_DOUBLE_EQ(info.etendue, 300.0);

    struct Suivi {
        int appels = 0;
        double dernier = 0.0;
        int arret = 1000000;
    };
    auto suit = [](double f, void* a) -> bool {
        Suivi* s = static_cast<Suivi*>(a);
        EXPECT_GE(f, s->dernier);
        s->dernier = f;
        return ++s->appels < s->arret;
    };
    Suivi tout;
    Import t;
    ASSERT_EQ(t.charge(d / "deguise.txt", dem_fenetre_defaut(), 1.0, suit, &tout), 0) << t.message;
    EXPECT_GT(tout.appels, 10);
    EXPECT_DOUBLE_EQ(tout.dernier, 1.0);
    Suivi court;
    court.arret = 3;
    Import u;
    EXPECT_EQ(u.charge(d / "deguise.txt", dem_fenetre_defaut(), 1.0, suit, &court), 1);
    EXPECT_NE(u.message.find("interrompue"), std::string::npos);
    EXPECT_EQ(u.m.h, nullptr);
}

}  // namespace
