// A raster elevation model in the 3-D view: a Mars-like relief in Mars 2000
// geographic coordinates, warped, drawn with the rover standing on it. With
// KADMER_DEM_SCREENSHOT=file.png the frame is saved (docs/screenshot-dem.png).
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <cstdlib>

#include "dem/dem.h"
#include "dem/rasters.h"
#include "render/vue.h"
#include "rover/confrover.h"

namespace {

const char* const Mars2000 =
    "GEOGCS[\"Mars 2000\",DATUM[\"D_Mars_2000\",SPHEROID[\"Mars_2000_IAU_IAG\",3396190,169.894447223612]],"
    "PRIMEM[\"Reference_Meridian\",0],UNIT[\"degree\",0.0174532925199433]]";

TEST(DemView, RoverStandsOnAWarpedMarsRelief)
{
    // 240 x 240 pixels of 1/50000 degree (1.19 m on Mars) near Gale crater
    TempDir d;
    Raster r;
    r.W = r.H = 240;
    const double pix = 2.0e-5;
    const double g[6] = {137.4 - 120 * pix, pix, 0.0, -4.6 + 120 * pix, 0.0, -pix};
    std::copy(g, g + 6, r.gt);
    r.scr = Mars2000;
    r.type = GDT_Float32;
    r.nodata = true;
    const std::vector<double> relief = reliefCratere(r.W, r.H, 1.19);
    r.hauteur = [&](int c, int l, double, double) {
        // a few dropped pixels, as orbital products have
        if ((c * 7 + l * 13) % 997 == 0) return -9999.0;
        return -4500.0 + relief[static_cast<size_t>(l) * r.W + c];
    };
    ASSERT_TRUE(r.ecrit(d / "gale.tif"));

    Scenario* s = scenarioTest(SansTerrain);
    s->terrain = &s->mnt;
    defauts_mnt(&s->mnt);
    s->mnt.hBosses = 0.0;
    DemFenetre f = dem_fenetre_defaut();
    f.cx = 137.4;
    f.cy = -4.6;
    f.taille = 80.0;
    f.pas = 0.5;
    std::string message;
    ASSERT_EQ(dem_charge((d / "gale.tif").c_str(), f, 1.0, &s->mnt, &message), 0) << message;
    EXPECT_EQ(s->mnt.nx, 161);
    EXPECT_NE(message.find("sans valeur bouché"), std::string::npos) << message;
    // heights kept as stored: the Martian datum's -4.5 km
    EXPECT_NEAR(0.5 * (s->mnt.zmin + s->mnt.zmax), -4500.0, 20.0);

    ConfRover* c = s->confRovers[0];
    c->pos[2] = hauteur_mnt(&s->mnt, 0.0, 0.0, nullptr) + c->hNominale;
    c->att[2] = 0.6;
    EXPECT_EQ(place_on_ground(c, &s->mnt), nullptr);
    // every wheel on the ground: its lowest point within a centimetre of it
    EXPECT_NEAR(c->pos[2] - hauteur_mnt(&s->mnt, c->pos[0], c->pos[1], nullptr), c->hNominale, 0.5);

    s->follow = 1;  // as a scenario on a raster starts: the ground is 4.5 km below the origin
    s->distance = 16.0;
    s->site = 22.0;
    s->azimuth = -150.0;
    Vue vue(s);
    const QImage avec = vue.rendu();
    const QPointF o = vue.projete(c->pos[0], c->pos[1], c->pos[2]);
    s->nbRovers = 0;
    const QImage sans = vue.rendu();
    const QRect zone = zoneDifferente(avec, sans);
    ASSERT_FALSE(zone.isEmpty());
    EXPECT_TRUE(zone.contains(o.toPoint()));
    // the ground fills the lower half of the frame, shaded by its relief
    int teintes = 0;
    QRgb premier = avec.pixel(0, 575);
    for (int x = 0; x < 720; x += 8)
        teintes += std::abs(qRed(avec.pixel(x, 500)) - qRed(premier)) > 6;
    EXPECT_GT(teintes, 5);
    if (const char* png = std::getenv("KADMER_DEM_SCREENSHOT")) {
        EXPECT_TRUE(avec.save(png));
    }
    libereScenario(s);
}

}  // namespace
