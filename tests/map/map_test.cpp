// Traversability maps: the layers on terrains whose answer is known, the
// GeoTIFF read back through GDAL, the same bytes however the work is split,
// and the refusals of kadmer-map.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include <QImage>

#include "carte.h"
#include "dem/rasters.h"
#include "geotiff.h"
#include "support/program.h"
#include "terrain/mnt.h"
#include "tools/kadmer-sim/simrun.h"

namespace {

const double DegToRad = 0.017453292519943295;

// the rover of kadmer-sim's defaults, on a terrain of heights z(x, y) over
// [-8, 8]^2 m at 0.25 m
struct Terrain {
    SimRun run;  // the rover (its terrain is not used)
    Mnt mnt = {};

    explicit Terrain(std::function<double(double, double)> z)
    {
        SimOptions o;
        o.mntType = MntPlat;
        o.xmin = o.ymin = -3;
        o.xmax = o.ymax = 3;
        sim_build(o, &run);
        defauts_mnt(&mnt);
        mnt.hBosses = 0.0;
        mnt.Xmin = mnt.Ymin = -8.0;
        mnt.Xmax = mnt.Ymax = 8.0;
        const int n = 65;
        std::vector<double> b((size_t)n * n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                b[(size_t)i * n + j] = z(-8.0 + 0.25 * i, -8.0 + 0.25 * j);
        EXPECT_EQ(new_mnt_grille(&mnt, b.data(), n, n), 0);
    }
    ~Terrain() { libere_mnt(&mnt); }

    Carte carte(double pas, int jobs = 2)
    {
        CarteReglages r;
        r.pas = pas;
        r.jobs = jobs;
        Carte c;
        EXPECT_EQ(carte_calcule(run.rover, &mnt, r, &c), "");
        return c;
    }
};

// the clearance of the rover on flat ground, m
double garde_a_plat()
{
    Terrain plat([](double, double) { return 0.0; });
    Carte c = plat.carte(4.0);
    return c.at(CoucheGardeSol, 2, 2);
}

} // namespace

TEST(Carte, PlaneGivesItsSlopeAndTheFlatClearanceEverywhereInside)
{
    const double g0 = garde_a_plat();
    EXPECT_GT(g0, 0.1);
    for (double alphaDeg : {0.0, 8.0, 20.0}) {
        const double t = std::tan(alphaDeg * DegToRad);
        // the plane rises along a direction between the axes, so that no
        // heading lines up with it
        Terrain plan([t](double x, double y) { return t * (0.8 * x + 0.6 * y); });
        Carte c = plan.carte(1.0);
        ASSERT_EQ(c.g.nx, 17);
        int dedans = 0;
        for (int j = 0; j < c.g.ny; ++j)
            for (int i = 0; i < c.g.nx; ++i) {
                // slope of the ground itself everywhere, the rover's layers
                // only where it stays on the terrain
                EXPECT_NEAR(c.at(CouchePente, i, j), alphaDeg, 1e-3);
                if (c.at(CoucheInclinaisonMax, i, j) == CarteNodata) {
                    EXPECT_TRUE(i < 3 || j < 3 || i > 13 || j > 13) << i << ", " << j;
                    continue;
                }
                ++dedans;
                // the placement stops within r / 150 of the ground: 1 mm
                // over a wheelbase of 0.75 m is below 0.1 degree
                EXPECT_NEAR(c.at(CoucheInclinaisonMax, i, j), alphaDeg, 0.1);
                EXPECT_NEAR(c.at(CoucheInclinaisonMin, i, j), alphaDeg, 0.1);
                EXPECT_NEAR(c.at(CoucheGardeSol, i, j), g0, 2e-3);
                EXPECT_LT(c.at(CoucheEcartRoue, i, j), 2e-3);
                EXPECT_EQ(c.at(CoucheCapsSurs, i, j), alphaDeg < 30.0 ? 8 : 0);
            }
        EXPECT_GE(dedans, 9 * 9);
    }
}

TEST(Carte, BoxObstacleIsUnsafeAroundItAndSafeFarAway)
{
    // a block 0.6 m square and 0.5 m high at the origin: higher than the
    // belly, lower than nothing a wheel could climb
    Terrain bloc([](double x, double y) { return std::fabs(x) <= 0.3 && std::fabs(y) <= 0.3 ? 0.5 : 0.0; });
    Carte c = bloc.carte(0.5);
    const int centre = c.g.nx / 2;
    ASSERT_DOUBLE_EQ(c.g.x0 + centre * c.g.pas, 0.0);
    // over it the belly meets it whatever the heading
    EXPECT_EQ(c.at(CoucheCapsSurs, centre, centre), 0);
    EXPECT_LT(c.at(CoucheGardeSol, centre, centre), 0.1);
    int loin = 0;
    for (int j = 0; j < c.g.ny; ++j)
        for (int i = 0; i < c.g.nx; ++i) {
            const double x = c.g.x0 + i * c.g.pas, y = c.g.y0 - j * c.g.pas;
            if (c.at(CoucheCapsSurs, i, j) == CarteNodata || std::hypot(x, y) < 2.5)
                continue;
            ++loin;
            EXPECT_EQ(c.at(CoucheCapsSurs, i, j), 8) << x << ", " << y;
        }
    EXPECT_GT(loin, 20);
}

// a projected raster of 2 m pixels on a plane, the map of a window of it
struct RasterCarte : ::testing::Test {
    TempDir dir;
    Raster r;
    std::string source = dir / "mnt.tif";

    void SetUp() override
    {
        r.W = r.H = 40;
        const double gt[6] = {500000.0, 2.0, 0.0, 4600080.0, 0.0, -2.0};
        std::memcpy(r.gt, gt, sizeof gt);
        r.scr = "EPSG:32631";
        r.hauteur = [](int, int, double e, double n) { return 0.05 * (e - 500000.0) + 0.02 * (n - 4600000.0); };
        ASSERT_TRUE(r.ecrit(source));
    }

    ProgramRun carte(const std::string& sortie, const std::string& plus = "")
    {
        return runProgram(std::string(KADMER_MAP_PATH) + " --sans-progres --mnt " + source +
                          " --window 500041,4600039,50 --caps 4 -o " + sortie + " " + plus);
    }
};

TEST_F(RasterCarte, FileReadsBackWithTheSourceGridAndCrs)
{
    const std::string sortie = dir / "carte.tif";
    ProgramRun p = carte(sortie);
    ASSERT_EQ(p.status, 0) << p.err;
    GDALDatasetUniquePtr ds(GDALDataset::Open(sortie.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    ASSERT_TRUE(ds);
    ASSERT_EQ(ds->GetRasterCount(), NB_COUCHES);
    const char* noms[] = {"inclinaison_max_deg", "inclinaison_min_deg", "garde_sol_min_m", "marge_min_deg",
                          "ecart_roue_max_m", "caps_surs", "pente_deg"};
    for (int b = 0; b < NB_COUCHES; ++b) {
        GDALRasterBand* band = ds->GetRasterBand(b + 1);
        EXPECT_STREQ(band->GetDescription(), noms[b]);
        EXPECT_EQ(band->GetRasterDataType(), GDT_Float32);
        int a = 0;
        EXPECT_EQ(band->GetNoDataValue(&a), CarteNodata);
        EXPECT_TRUE(a);
    }
    double gt[6];
    ASSERT_EQ(ds->GetGeoTransform(gt), CE_None);
    // the source's pixels: same size, corners on its grid
    EXPECT_DOUBLE_EQ(gt[1], 2.0);
    EXPECT_DOUBLE_EQ(gt[5], -2.0);
    const double colonnes = (gt[0] - r.gt[0]) / 2.0, lignes = (gt[3] - r.gt[3]) / -2.0;
    EXPECT_NEAR(colonnes, std::round(colonnes), 1e-6);
    EXPECT_NEAR(lignes, std::round(lignes), 1e-6);
    OGRSpatialReference attendu;
    attendu.SetFromUserInput("EPSG:32631");
    ASSERT_TRUE(ds->GetSpatialRef());
    EXPECT_TRUE(ds->GetSpatialRef()->IsSame(&attendu));
    // the slope where the map says it is: the plane's own everywhere
    std::vector<float> pente(ds->GetRasterXSize() * ds->GetRasterYSize());
    ASSERT_EQ(ds->GetRasterBand(CouchePente + 1)->RasterIO(GF_Read, 0, 0, ds->GetRasterXSize(),
                                                           ds->GetRasterYSize(), pente.data(),
                                                           ds->GetRasterXSize(), ds->GetRasterYSize(),
                                                           GDT_Float32, 0, 0, nullptr),
              CE_None);
    const double attendue = std::atan(std::hypot(0.05, 0.02)) / DegToRad;
    for (float v : pente)
        EXPECT_NEAR(v, attendue, 1e-3);
}

TEST_F(RasterCarte, SameBytesWhateverTheJobsAndTiles)
{
    ProgramRun a = carte(dir / "un.tif", "--jobs 1");
    ProgramRun b = carte(dir / "deux.tif", "--jobs 2");
    ProgramRun t = carte(dir / "tuiles.tif", "--jobs 2 --tuiles 3");
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    ASSERT_EQ(t.status, 0) << t.err;
    const std::string un = slurp(dir / "un.tif");
    EXPECT_GT(un.size(), 1000u);
    EXPECT_TRUE(un == slurp(dir / "deux.tif"));
    EXPECT_TRUE(un == slurp(dir / "tuiles.tif"));
    // the tiles are gone once merged
    EXPECT_FALSE(std::filesystem::exists(dir / "tuiles.tif.tuiles"));
}

TEST_F(RasterCarte, ScenarioPlanLimitsApplyUnderTheGivenOnes)
{
    // the plane rises 3.1 degrees: a plan's 1 degree tilt limit leaves no
    // heading safe, --limites lifts it again
    writeText(dir / "plan.json", "{\"terrain\": {\"raster\": {\"fichier\": \"" + source +
                                     "\", \"fenetre\": [500041, 4600039, 50]}}, \"pilotage\": {\"plan\": "
                                     "{\"commandes\": [{\"droit\": 1}], \"limites\": {\"inclinaison\": 1}}}}");
    auto surs = [&](const std::string& plus) {
        ProgramRun p = runProgram(std::string(KADMER_MAP_PATH) + " --sans-progres --caps 4 --scenario " +
                                  dir / "plan.json" + " -o " + dir / "s.tif " + plus);
        EXPECT_EQ(p.status, 0) << p.err;
        GDALDatasetUniquePtr ds(GDALDataset::Open((dir / "s.tif").c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
        if (!ds)
            return -1.0;
        double minmax[2];
        ds->GetRasterBand(CoucheCapsSurs + 1)->ComputeRasterMinMax(FALSE, minmax);
        return minmax[1];
    };
    EXPECT_EQ(surs(""), 0.0);
    EXPECT_EQ(surs("--limites '{\"inclinaison\": 10}'"), 4.0);
}

TEST_F(RasterCarte, TilesAlreadyDoneAreNotRunAgain)
{
    // the first tile alone, as an array task makes it, with 2 headings: the
    // whole run with 4 keeps it as it is
    ProgramRun a = carte(dir / "carte.tif", "--caps 2 --tuiles 3 --tuile 0");
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "carte.tif"));
    ASSERT_TRUE(std::filesystem::exists(dir / "carte.tif.tuiles/tuile-00000.tif"));
    ProgramRun b = carte(dir / "carte.tif", "--tuiles 3");
    ASSERT_EQ(b.status, 0) << b.err;
    GDALDatasetUniquePtr ds(GDALDataset::Open((dir / "carte.tif").c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    ASSERT_TRUE(ds);
    const int nx = ds->GetRasterXSize(), ny = ds->GetRasterYSize();
    std::vector<float> surs((size_t)nx * ny);
    ASSERT_EQ(ds->GetRasterBand(CoucheCapsSurs + 1)->RasterIO(GF_Read, 0, 0, nx, ny, surs.data(), nx, ny,
                                                              GDT_Float32, 0, 0, nullptr),
              CE_None);
    float nord = 0, sud = 0;
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
            (j < ny / 3 ? nord : sud) = std::max(j < ny / 3 ? nord : sud, surs[(size_t)j * nx + i]);
    EXPECT_EQ(nord, 2.0f);
    EXPECT_EQ(sud, 4.0f);
}

TEST_F(RasterCarte, BadInputIsRefusedAndLeavesNothing)
{
    const struct {
        const char* args;
        const char* message;
    } cas[] = {
        {"--pas 0", "--pas : pas de la carte strictement positif attendu"},
        {"--pas -2", "--pas : pas de la carte strictement positif attendu"},
        {"--caps 0", "--caps : entier de 1 a 360 attendu"},
        {"--limites '{\"inclinaison\": 95}'", "inclinaison de 0 (exclu) a 90 degres attendue"},
        {"--limites '{\"marge\": -1}'", "marge de 0 a 90 degres (exclu) attendue"},
        {"--limites '{\"garde\": 0.2}'", "cle inconnue \"garde\""},
        {"--limites '{\"garde_sol\": \"haut\"}'", "\"garde_sol\" attend un nombre"},
        {"--limites absent.json", "ni objet JSON ni fichier lisible"},
        {"--window 700000,4600039,50", "hors du MNT"},
        {"--pas 0.0001", "carte trop grande pour la memoire"},
        {"--mode dyn", "option inconnue : --mode"},
    };
    for (const auto& c : cas) {
        ProgramRun p = carte(dir / "carte.tif", c.args);
        EXPECT_EQ(p.status, 2) << c.args;
        EXPECT_NE(p.err.find(c.message), std::string::npos) << c.args << ": " << p.err;
    }
    ProgramRun p = carte(dir / "absent/carte.tif");
    EXPECT_EQ(p.status, 2);
    EXPECT_NE(p.err.find("dossier de sortie inexistant"), std::string::npos) << p.err;
    // nothing but the source in the folder
    int fichiers = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path))
        fichiers += e.path().filename() != "mnt.tif";
    EXPECT_EQ(fichiers, 0);
}

// The Mars-like relief of docs/dem.md in Mars 2000 degrees: the map lies in
// the transverse Mercator the window is warped to, and its picture is drawn.
// With KADMER_MAP_PICTURE=folder the raster and the picture are kept there
// (docs/map.png)
TEST(CarteMars, GeographicWindowMapsInItsLocalProjectionWithAPicture)
{
    TempDir tmp;
    const char* garde = std::getenv("KADMER_MAP_PICTURE");
    const std::string d = garde ? garde : tmp.path;
    Raster r;
    r.W = r.H = 240;
    const double pix = 2.0e-5;
    const double g[6] = {137.4 - 120 * pix, pix, 0.0, -4.6 + 120 * pix, 0.0, -pix};
    std::copy(g, g + 6, r.gt);
    r.scr = "GEOGCS[\"Mars 2000\",DATUM[\"D_Mars_2000\",SPHEROID[\"Mars_2000_IAU_IAG\",3396190,169.894447223612]],"
            "PRIMEM[\"Reference_Meridian\",0],UNIT[\"degree\",0.0174532925199433]]";
    r.type = GDT_Float32;
    const std::vector<double> relief = reliefCratere(r.W, r.H, 1.19);
    r.hauteur = [&](int c, int l, double, double) { return -4500.0 + relief[(size_t)l * r.W + c]; };
    ASSERT_TRUE(r.ecrit(d + "/gale.tif"));
    ProgramRun p = runProgram(std::string(KADMER_MAP_PATH) + " --sans-progres --mnt " + d +
                              "/gale.tif --window 137.4,-4.6,80 --mnt-step 0.5 --pas " + (garde ? "0.5" : "2") +
                              " -o " + d + "/carte.tif --png " + d + "/carte.png");
    ASSERT_EQ(p.status, 0) << p.err;
    GDALDatasetUniquePtr ds(GDALDataset::Open((d + "/carte.tif").c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    ASSERT_TRUE(ds && ds->GetSpatialRef());
    EXPECT_TRUE(ds->GetSpatialRef()->IsProjected());
    EXPECT_DOUBLE_EQ(ds->GetSpatialRef()->GetSemiMajor(), 3396190.0);
    // the window's centre is the projection's origin: the map straddles it
    double gt[6];
    ds->GetGeoTransform(gt);
    EXPECT_NEAR(gt[0] + 0.5 * ds->GetRasterXSize() * gt[1], 0.0, gt[1]);
    EXPECT_NEAR(gt[3] + 0.5 * ds->GetRasterYSize() * gt[5], 0.0, gt[1]);
    QImage image(QString::fromStdString(d + "/carte.png"));
    EXPECT_GE(image.width(), 800);
    EXPECT_GE(image.height(), 800);
}
