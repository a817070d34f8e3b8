// Scenario creation: the defaults when every dialog is cancelled, the rover
// standing on the ground, and a geometry failure reported and refused.
#include "support.h"

#include "app/scenario.h"
#include "dialogs/geodialog.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Owned = std::unique_ptr<Scenario, void (*)(Scenario*)>;

TEST(NewScenario, CancellingEveryDialogGivesTheDefaults)
{
    ModalScript script;
    script.dialogResult = QDialog::Rejected;
    Owned owned(newScenario(nullptr), libereScenario);
    Scenario* s = owned.get();
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(script.boxes.isEmpty());

    EXPECT_EQ(s->nbRovers, 1);
    EXPECT_EQ(s->periodMs, 40);
    EXPECT_EQ(s->perspective, 1);
    EXPECT_EQ(s->fovy, 30.0);
    EXPECT_EQ(s->distance, 20.0);
    EXPECT_EQ(s->azimuth, -120.0);
    EXPECT_EQ(s->site, 20.0);
    EXPECT_EQ(s->lightPosition[1], 0.3f);
    EXPECT_EQ(s->vDes, 0.0);
    EXPECT_EQ(s->cDes, 0.0);

    EXPECT_EQ(s->terrain, &s->mnt);
    EXPECT_EQ(s->dynRovers[0], &s->dynRover);
    EXPECT_EQ(s->confRovers[0], &s->dynRover.conf);
    EXPECT_EQ(s->dynRovers[1], nullptr);
    EXPECT_EQ(s->dynRover.voie, 1.0);
    EXPECT_EQ(s->dynRover.quadri, 0);
    EXPECT_EQ(s->dynRover.conf.rayonRoue, 0.15);

    // generated random terrain over [-10, 10] with 0.25 m cells
    EXPECT_EQ(s->mnt.typeMNT, 1);
    EXPECT_EQ(s->mnt.nx, 81);
    EXPECT_EQ(s->mnt.ny, 81);
    // simplified soil, initialised with the gravity of the dynamic data
    EXPECT_EQ(s->mnt.typeDyn, 0);
    EXPECT_EQ(s->mnt.sol, &s->dynSol);
    EXPECT_EQ(s->zones, nullptr);
    EXPECT_GT(s->dynSol.kN, 0.0);
}

TEST(NewScenario, RoverStandsOnTheGround)
{
    ModalScript script;
    Owned owned(newScenario(nullptr), libereScenario);
    Scenario* s = owned.get();
    ASSERT_NE(s, nullptr);
    const ConfRover& c = s->dynRover.conf;
    for (int w = 0; w < NB_CHAINES; w++) {
        double ground = hauteur_mnt(&s->mnt, c.contact[w][0], c.contact[w][1], nullptr);
        // placement tolerance r/150, doubled for the rough default terrain
        EXPECT_NEAR(c.contact[w][2], ground, 2 * c.rayonRoue / 150) << "wheel " << w;
    }
}

TEST(NewScenario, InvalidGeometryIsReportedAndRefused)
{
    ModalScript script;
    script.exec = [](QDialog* d) {
        if (GeoDialog* g = qobject_cast<GeoDialog*>(d)) {
            g->findChild<QDoubleSpinBox*>("doubleSpinBox_Voie")->setValue(0.0);
            g->findChild<QCheckBox*>("checkBox_FlagQuadri")->setChecked(true);
            return int(QDialog::Accepted);
        }
        return int(QDialog::Rejected);
    };
    EXPECT_EQ(newScenario(nullptr), nullptr);
    ASSERT_EQ(script.boxes.size(), 1);
    EXPECT_TRUE(script.boxes[0].startsWith("In newScenario|Donnees quadrilatere incoherentes"))
        << script.boxes[0].toStdString();
}

}  // namespace
