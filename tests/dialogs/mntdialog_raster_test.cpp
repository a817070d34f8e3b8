// The terrain dialog with a raster elevation model: recognised from its
// content, shown with its CRS and window, read on OK, refused with a box.
#include "dialogs/mntdialog.h"

#include "dialogs/dialog_support.h"
#include "terrain/mnt.h"

#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <gtest/gtest.h>

#include "dem/rasters.h"

namespace {

TEST(MntDialogRaster, RasterIsShownWithItsWindowAndReadOnOk)
{
    TempDir d;
    ASSERT_TRUE(planUtm(0.0).ecrit(d / "releve.dat"));  // the name says nothing of the format
    Modals modals;
    modals.fileAnswers << QString::fromStdString(d / "releve.dat");
    Mnt m = defaults();
    MntDialog dlg(&m);
    EXPECT_FALSE(child<QGroupBox>(&dlg, "groupBox_Raster")->isVisibleTo(&dlg));
    click(&dlg, "radioButton_Fichier");
    EXPECT_EQ(text(&dlg, "label_NomFichier"), "releve.dat");
    EXPECT_TRUE(child<QGroupBox>(&dlg, "groupBox_Raster")->isVisibleTo(&dlg));
    EXPECT_TRUE(text(&dlg, "label_Scr").contains("UTM zone 31N")) << text(&dlg, "label_Scr").toStdString();
    // every line of the raster's description is shown whole, and in the tooltip
    EXPECT_TRUE(text(&dlg, "label_Scr").contains("200 x 150 pixels (GTiff)\nrésolution 2 x 2 m"))
        << text(&dlg, "label_Scr").toUtf8().constData();
    EXPECT_EQ(child<QLabel>(&dlg, "label_Scr")->toolTip(), text(&dlg, "label_Scr"));
    EXPECT_EQ(spin(&dlg, "doubleSpinBox_CentreX"), 500200.0);
    EXPECT_EQ(spin(&dlg, "doubleSpinBox_CentreY"), 4648850.0);
    EXPECT_EQ(spin(&dlg, "doubleSpinBox_Taille"), 200.0);
    EXPECT_EQ(spin(&dlg, "doubleSpinBox_hBosses"), 0.0);

    // the extent follows the window and is not edited by hand
    setSpin(&dlg, "doubleSpinBox_CentreX", 500101.0);
    setSpin(&dlg, "doubleSpinBox_CentreY", 4648851.0);
    setSpin(&dlg, "doubleSpinBox_Taille", 100.0);
    EXPECT_EQ(spin(&dlg, "doubleSpinBox_Xmin"), -50.0);
    EXPECT_FALSE(child<QWidget>(&dlg, "doubleSpinBox_Xmin")->isEnabled());

    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(modals.boxes.isEmpty()) << modals.boxes.join("\n").toStdString();
    Mnt back = defaults();
    dlg.litMnt(&back);
    ASSERT_NE(back.h, nullptr);
    EXPECT_EQ(back.fichier, nullptr);
    EXPECT_EQ(back.nx, 51);
    EXPECT_EQ(back.Xmin, -50.0);
    EXPECT_EQ(back.dx, 2.0);
    EXPECT_NEAR(hauteur_mnt(&back, 3.0, -7.0, nullptr), 0.05 * 104.0 - 0.03 * -156.0, 1e-9);
    libere_mnt(&back);

    // back to the built-in terrain: the window goes, the extent and the
    // bumps come back
    click(&dlg, "radioButton_Interne");
    EXPECT_EQ(spin(&dlg, "doubleSpinBox_hBosses"), m.hBosses);
    EXPECT_FALSE(child<QGroupBox>(&dlg, "groupBox_Raster")->isVisibleTo(&dlg));
    EXPECT_TRUE(child<QWidget>(&dlg, "doubleSpinBox_Xmin")->isEnabled());
    EXPECT_EQ(spin(&dlg, "doubleSpinBox_Xmin"), -10.0);
}

TEST(MntDialogRaster, UnusableRasterOrWindowIsShownInABoxAndNothingIsHandedOver)
{
    TempDir d;
    Raster rgb = planUtm(0.0);
    rgb.bandes = 3;
    rgb.type = GDT_Byte;
    rgb.options = {"PHOTOMETRIC=RGB"};
    ASSERT_TRUE(rgb.ecrit(d / "photo.tif"));
    ASSERT_TRUE(planUtm(0.0).ecrit(d / "plan.tif"));
    Modals modals;
    modals.fileAnswers << QString::fromStdString(d / "photo.tif") << QString::fromStdString(d / "plan.tif");
    Mnt m = defaults();
    MntDialog dlg(&m);
    click(&dlg, "radioButton_Fichier");
    ASSERT_EQ(modals.boxes.size(), 1);
    EXPECT_TRUE(modals.boxes[0].contains("Image en couleurs (3 bandes)")) << modals.boxes[0].toStdString();
    EXPECT_TRUE(child<QRadioButton>(&dlg, "radioButton_Interne")->isChecked());
    EXPECT_EQ(text(&dlg, "label_NomFichier"), "Inconnu");

    // a window off the raster: said on OK, and the dialog stays open
    click(&dlg, "radioButton_Fichier");
    setSpin(&dlg, "doubleSpinBox_CentreX", 100.0);
    dlg.accept();
    ASSERT_EQ(modals.boxes.size(), 2);
    EXPECT_TRUE(modals.boxes[1].contains("hors du MNT")) << modals.boxes[1].toStdString();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    Mnt back = defaults();
    dlg.litMnt(&back);
    EXPECT_EQ(back.h, nullptr);
    EXPECT_EQ(back.fichier, nullptr);
}

}  // namespace
