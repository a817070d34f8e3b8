// Scenario creation on a raster elevation model chosen in the terrain
// dialog: the grid read there is the scenario's, the rover stands on it and
// the observer follows it.
#include "support.h"

#include "app/scenario.h"
#include "dialogs/mntdialog.h"

#include <QRadioButton>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

#include "dem/rasters.h"

namespace {

TEST(NewScenarioRaster, GridReadInTheDialogIsTheScenariosAndTheRoverStandsOnIt)
{
    TempDir d;
    Raster r = rasterUtm(60, 60, 1.0);
    // 1350 m high at the raster's centre, rising 4 % to the north
    r.hauteur = [](int, int, double, double n) { return 1350.0 + 0.04 * (n - 4648970.0); };
    ASSERT_TRUE(r.ecrit(d / "site.tif"));
    ModalScript script;
    script.fileName = QString::fromStdString(d / "site.tif");
    script.exec = accepteMntFichier;
    std::unique_ptr<Scenario, void (*)(Scenario*)> s(newScenario(nullptr), libereScenario);
    ASSERT_NE(s.get(), nullptr);
    EXPECT_TRUE(script.boxes.isEmpty()) << script.boxes.join("\n").toStdString();
    EXPECT_EQ(s->mnt.nx, 60);
    EXPECT_EQ(s->mnt.Xmin, -29.5);
    EXPECT_EQ(s->mnt.fichier, nullptr);
    EXPECT_EQ(s->follow, 1);
    const ConfRover* c = s->confRovers[0];
    EXPECT_NEAR(c->pos[2] - 1350.0, c->hNominale, 0.2);
    // the body tilts with the 4 % slope, whatever its heading
    EXPECT_NEAR(std::hypot(c->att[ATT_SITE], c->att[ATT_GITE]), std::atan(0.04), 0.01);
}

}  // namespace
