// The soil zones dialog: walking, adding and validating zones of a list.
#include "dialogs/bacsabledialog.h"

#include "dialogs/dialog_support.h"
#include "terrain/zonesol.h"

#include <QPushButton>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace {

bool nextEnabled(QObject* d)
{
    return child<QPushButton>(d, "pushButton_next")->isEnabled();
}

TEST(BacSableDialog, OneZoneIsShownWithNoNextZone)
{
    Zones zs;
    ajouteZoneDefaut(&zs.z, 0.0, 0.0, 9999.0);
    BacSableDialog d(&zs.z);
    EXPECT_EQ(d.windowTitle(), "Dialog");
    EXPECT_EQ(text(&d, "label_nZones"), "Nombre de zones : 1");
    EXPECT_EQ(text(&d, "label_nomZone"), "Zone 0");
    EXPECT_FALSE(nextEnabled(&d));
    EXPECT_DOUBLE_EQ(spin(&d, "DoubleSpinBox_cercleR"), 9999.0);
    EXPECT_DOUBLE_EQ(spin(&d, "DoubleSpinBox_phi"), 28.0);
    EXPECT_DOUBLE_EQ(spin(&d, "DoubleSpinBox_Xc"), 26.0);
    EXPECT_DOUBLE_EQ(spin(&d, "DoubleSpinBox_kphi"), 505800.0);
    EXPECT_DOUBLE_EQ(spin(&d, "DoubleSpinBox_K"), 0.012);
}

TEST(BacSableDialog, AddZoneOnThreeZonesShowsTheFourthAsLast)
{
    Zones zs;
    ajouteZone(&zs.z, 1, 1, 2, 3, 100, 0.1, 0.2, 10, 20, 0.9, 1000, 0.5, 0.01);
    ajouteZone(&zs.z, 2, 4, 5, 6, 200, 0.3, 0.4, 30, 40, 1.1, 2000, 0.6, 0.02);
    ajouteZone(&zs.z, 3, 7, 8, 9, 300, 0.5, 0.6, 50, 60, 1.2, 3000, 0.7, 0.03);
    BacSableDialog d(&zs.z);
    EXPECT_EQ(text(&d, "label_nZones"), "Nombre de zones : 3");
    EXPECT_TRUE(nextEnabled(&d));
    click(&d, "pushButton_add");
    EXPECT_EQ(zs.z.nbZones, 4);
    EXPECT_EQ(text(&d, "label_nZones"), "Nombre de zones : 4");
    EXPECT_FALSE(nextEnabled(&d));
    EXPECT_EQ(text(&d, "label_nomZone"), "Zone 0");
    EXPECT_EQ(spin(&d, "DoubleSpinBox_cercleX"), 0.0);
    EXPECT_EQ(spin(&d, "DoubleSpinBox_cercleY"), 0.0);
    EXPECT_EQ(spin(&d, "DoubleSpinBox_cercleR"), 9999.0);
    EXPECT_EQ(spin(&d, "DoubleSpinBox_c"), 1150.0);
    EXPECT_EQ(child<QSpinBox>(&d, "SpinBox_hzone")->value(), 0);
}

TEST(BacSableDialog, ZonesAreWalkedInListOrderAndUnvalidatedEditsAreLost)
{
    Zones zs;
    ajouteZone(&zs.z, 5, 1, 0, 10, 100, 0.1, 0.2, 10, 20, 1.0, 1000, 0.5, 0.01);
    ajouteZone(&zs.z, 2, 2, 0, 10, 200, 0.3, 0.4, 30, 40, 1.0, 2000, 0.6, 0.02);
    BacSableDialog d(&zs.z);
    setSpin(&d, "DoubleSpinBox_c", 999.0);
    click(&d, "pushButton_next");
    EXPECT_EQ(text(&d, "label_nomZone"), "Zone 2");
    EXPECT_EQ(spin(&d, "DoubleSpinBox_cercleX"), 2.0);
    EXPECT_FALSE(nextEnabled(&d));
    click(&d, "pushButton_first");
    EXPECT_EQ(text(&d, "label_nomZone"), "Zone 5");
    EXPECT_EQ(spin(&d, "DoubleSpinBox_c"), 100.0);
    EXPECT_EQ(zs.z.premiere->c, 100.0);

    setSpin(&d, "DoubleSpinBox_c", 999.0);
    click(&d, "pushButton_valide");
    EXPECT_EQ(zs.z.premiere->c, 999.0);
    EXPECT_EQ(zs.z.premiere->suivante->c, 200.0);
}

TEST(BacSableDialog, ValidatedAnglesUseTheDialogsDegreeFactor)
{
    Zones zs;
    ajouteZoneDefaut(&zs.z, 0.0, 0.0, 9999.0);
    zs.z.premiere->phi = 3.141592653589793 * 28.0 / 180.0;
    BacSableDialog d(&zs.z);
    EXPECT_EQ(spin(&d, "DoubleSpinBox_phi"), 28.0);
    click(&d, "pushButton_valide");
    EXPECT_DOUBLE_EQ(zs.z.premiere->phi, 28.0 / 57.295779513);
    EXPECT_NEAR(zs.z.premiere->phi, 0.4886921905591, 1e-13);
    EXPECT_NE(zs.z.premiere->phi, 3.141592653589793 * 28.0 / 180.0);
    EXPECT_DOUBLE_EQ(zs.z.premiere->Xc, 26.0 / 57.295779513);
}

TEST(BacSableDialog, OutOfRangeSoilValuesAreStoredClamped)
{
    Zones zs;
    ajouteZone(&zs.z, 1000, 0, 0, -5, 2e6, 2.0, 0.1, 10, 20, 1.5, 1000, 3.0, 1.5);
    BacSableDialog d(&zs.z);
    click(&d, "pushButton_valide");
    const ZoneSol* z = zs.z.premiere;
    EXPECT_EQ(z->hzone, 999);
    EXPECT_EQ(z->R, 0.0);
    EXPECT_EQ(z->c, 999999.0);
    EXPECT_DOUBLE_EQ(z->phi, 90.0 / 57.295779513);
    EXPECT_DOUBLE_EQ(z->n, 1.2);
    EXPECT_EQ(z->lbda, 1.0);
    EXPECT_DOUBLE_EQ(z->K, 0.99);

    setSpin(&d, "DoubleSpinBox_n", 0.1);
    click(&d, "pushButton_valide");
    EXPECT_DOUBLE_EQ(z->n, 0.8);
}

}  // namespace
