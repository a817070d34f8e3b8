// kadmer-sim on a raster elevation model: the rover driven on a window of a
// GeoTIFF in its local frame, and exit status 2 with the reason on bad input.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "dem/rasters.h"
#include "support/program.h"

namespace {

ProgramRun lance(const std::string& args)
{
    return runProgram(KADMER_SIM_PATH " " + args);
}

TEST(KadmerSimDem, RoverDrivesOnARasterWindowInItsLocalFrame)
{
    TempDir d;
    Raster r = rasterUtm(100, 100, 1.0);
    // a 5 % slope up to the east, 1200 m high at the window's centre
    r.hauteur = [](int, int, double e, double) { return 1200.0 + 0.05 * (e - 500050.5); };
    ASSERT_TRUE(r.ecrit(d / "pente.tif"));

    const std::string traj = d / "traj.txt";
    ProgramRun s = lance("--mnt " + d / "pente.tif" + " --window 500050.5,4648949.5,40 --v 0.5 --duration 4 -o " + traj);
    ASSERT_EQ(s.status, 0) << s.err;
    EXPECT_NE(s.err.find("41 x 41 noeuds"), std::string::npos) << s.err;
    // every sample: the rover stands on the slope, its site the slope's
    std::ifstream f(traj);
    std::string ligne;
    int n = 0;
    while (std::getline(f, ligne)) {
        std::istringstream is(ligne);
        double t, x, y, z, site;
        ASSERT_TRUE(is >> t >> x >> y >> z >> site);
        EXPECT_NEAR(z, 1200.0 + 0.05 * x, 1.0) << ligne;
        ++n;
    }
    EXPECT_GT(n, 50);
}

TEST(KadmerSimDem, BadRasterOrWindowEndsWithStatusTwoAndTheReason)
{
    TempDir d;
    Raster rgb;
    rgb.bandes = 3;
    rgb.type = GDT_Byte;
    rgb.options = {"PHOTOMETRIC=RGB"};
    ASSERT_TRUE(rgb.ecrit(d / "photo.tif"));
    Raster plan;
    plan.scr = "EPSG:32631";
    ASSERT_TRUE(plan.ecrit(d / "plan.tif"));
    std::ofstream(d / "matrice.txt") << "0 1\n1 2\n";
    struct Cas {
        std::string args;
        const char* attendu;
    } cas[] = {
        {"--mnt " + d / "photo.tif", "Image en couleurs"},
        {"--mnt " + d / "plan.tif --window 99,99,5", "hors du MNT"},
        {"--mnt " + d / "plan.tif --window 5,-5,0", "--window : taille positive"},
        {"--mnt " + d / "plan.tif --window 5,-5", "--window attend des valeurs"},
        {"--mnt " + d / "matrice.txt --window 5,-5,3", "qu'avec un MNT raster"},
        {"--window 5,-5,3", "qu'avec un MNT raster"},
    };
    for (const Cas& c : cas) {
        ProgramRun s = lance(c.args + " --duration 0");
        EXPECT_EQ(s.status, 2) << c.args << "\n" << s.err;
        EXPECT_NE(s.err.find(c.attendu), std::string::npos) << c.args << "\n" << s.err;
    }
}

}  // namespace
