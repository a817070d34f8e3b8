// The terrain dialog: parameters, the terrain file choice and what it hands over.
#include "dialogs/mntdialog.h"

#include "app/scenario_dialogs.h"
#include "dialogs/dialog_support.h"
#include "terrain/mnt.h"

#include <QComboBox>
#include <QRadioButton>
#include <QStackedWidget>
#include <gtest/gtest.h>

namespace {

// OK keeps the dialog open, with the field to change named, while the
// extent cannot carry a grid
TEST(MntDialog, ExtentThatCarriesNoGridIsRefusedByOk)
{
    const struct {
        double xmin, xmax, ymin, ymax, cell;
        bool file;
        const char* message;  // null: accepted
    } rows[] = {
        {5, 5, -10, 10, 0.25, false, "« X maximal (m) » doit dépasser « X minimal (m) »."},
        {8, -8, -10, 10, 0.25, true, "« X maximal (m) » doit dépasser « X minimal (m) »."},
        {-10, 10, 3, -3, 0.25, false, "« Y maximal (m) » doit dépasser « Y minimal (m) »."},
        {0, 4, 0, 20, 10, false,
         "« X maximal (m) » − « X minimal (m) » doit valoir au moins la moitié de "
         "« Dim. cellule (m) » (5 m)."},
        {0, 5, 0, 20, 10, false, nullptr},
        {0, 4, 0, 20, 10, true, nullptr},  // a file brings its own cells
        {-10, 10, -10, 10, 0.25, false, nullptr},
    };
    QTemporaryDir dir;
    const QString path = writeFile(dir, "t.txt", "0 1\n1 2\n");
    for (const auto& r : rows) {
        Modals modals;
        Mnt m = defaults();
        MntDialog d(&m);
        if (r.file) {
            modals.fileAnswers << path;
            click(&d, "radioButton_Fichier");
        }
        setSpin(&d, "doubleSpinBox_dimCell", r.cell);
        setSpin(&d, "doubleSpinBox_Xmin", r.xmin);
        setSpin(&d, "doubleSpinBox_Xmax", r.xmax);
        setSpin(&d, "doubleSpinBox_Ymin", r.ymin);
        setSpin(&d, "doubleSpinBox_Ymax", r.ymax);
        d.accept();
        if (r.message) {
            EXPECT_EQ(d.result(), int(QDialog::Rejected));
            EXPECT_EQ(modals.boxes, QStringList("Terrain|" + QString(r.message)));
        } else {
            EXPECT_EQ(d.result(), int(QDialog::Accepted)) << modals.boxes.join("\n").toStdString();
            EXPECT_TRUE(modals.boxes.isEmpty());
            d.litMnt(&m);
            EXPECT_GE(new_mnt(&m), 0);
            libere_mnt(&m);
        }
    }
}

TEST(MntDialog, DefaultsComeBackUnchanged)
{
    Mnt m = defaults();
    MntDialog d(&m);
    EXPECT_EQ(d.windowTitle(), "Orlen_Kadmer");
    EXPECT_EQ(child<QComboBox>(&d, "comboBox_TypeMNT")->currentText(), "Aléatoire");
    EXPECT_EQ(child<QComboBox>(&d, "comboBox_TypeDyn")->currentText(), "Modèle simplifié");
    EXPECT_EQ(child<QStackedWidget>(&d, "stackedWidget")->currentIndex(), 1);
    EXPECT_EQ(text(&d, "label_NomFichier"), "Inconnu");

    Mnt back = {};
    back.fichier = stdin;
    d.litMnt(&back);
    EXPECT_EQ(back.typeMNT, 1);
    EXPECT_EQ(back.typeDyn, 0);
    EXPECT_EQ(back.dx, 0.25);
    EXPECT_EQ(back.dy, 0.25);
    EXPECT_EQ(back.Xmin, -10.0);
    EXPECT_EQ(back.Ymin, -10.0);
    EXPECT_EQ(back.Xmax, 10.0);
    EXPECT_EQ(back.Ymax, 10.0);
    EXPECT_EQ(back.hBosses, 0.1);
    EXPECT_EQ(back.coefH, 1.0);
    EXPECT_EQ(back.fichier, nullptr);
}

TEST(MntDialog, ValuesAreRoundedAndClampedByTheirFields)
{
    Mnt m = defaults();
    m.dx = 0.333;
    m.dy = 7.0;  // the cell size goes to both, whatever dy was
    m.Xmax = 100.0;
    m.Ymax = 100.0;  // the Y field stops at 99.99
    m.Xmin = -250.0;
    m.hBosses = 0.5;
    m.coefH = 0.004;
    m.typeMNT = 2;
    m.typeDyn = 1;
    MntDialog d(&m);
    Mnt back = {};
    d.litMnt(&back);
    EXPECT_DOUBLE_EQ(back.dx, 0.33);
    EXPECT_DOUBLE_EQ(back.dy, 0.33);
    EXPECT_EQ(back.Xmax, 100.0);
    EXPECT_DOUBLE_EQ(back.Ymax, 99.99);
    EXPECT_EQ(back.Xmin, -100.0);
    EXPECT_DOUBLE_EQ(back.hBosses, 0.2);
    EXPECT_DOUBLE_EQ(back.coefH, 0.01);
    EXPECT_EQ(back.typeMNT, 2);
    EXPECT_EQ(back.typeDyn, 1);
}

TEST(MntDialog, ListsHoldTheirItemsInRecordOrder)
{
    Mnt m = defaults();
    MntDialog d(&m);
    QComboBox* type = child<QComboBox>(&d, "comboBox_TypeMNT");
    ASSERT_EQ(type->count(), 3);
    EXPECT_EQ(type->itemText(0), "Plat horizontal");
    EXPECT_EQ(type->itemText(2), "Sinus cylindrique");
    EXPECT_EQ(type->maxCount(), 3);
    QComboBox* dyn = child<QComboBox>(&d, "comboBox_TypeDyn");
    ASSERT_EQ(dyn->count(), 3);
    EXPECT_EQ(dyn->itemText(0), "Modèle simplifié");
    EXPECT_EQ(dyn->itemText(1), "Modèle macro");
    EXPECT_EQ(dyn->itemText(2), "Modèle classique");
    EXPECT_EQ(dyn->maxCount(), 3);
}

TEST(MntDialog, CancelledOrUnreadableFileChoiceFallsBackToTheInternalTerrain)
{
    QTemporaryDir dir;
    Modals modals;
    modals.fileAnswers << QString() << dir.filePath("absent.txt");
    Mnt m = defaults();
    MntDialog d(&m);
    for (int i = 0; i < 2; ++i) {
        click(&d, "radioButton_Fichier");
        EXPECT_TRUE(child<QRadioButton>(&d, "radioButton_Interne")->isChecked());
        EXPECT_FALSE(child<QRadioButton>(&d, "radioButton_Fichier")->isChecked());
        EXPECT_EQ(child<QStackedWidget>(&d, "stackedWidget")->currentIndex(), 1);
        EXPECT_EQ(text(&d, "label_NomFichier"), "Inconnu");
    }
    EXPECT_EQ(modals.fileCaptions,
              QStringList({"Ouvrir un fichier MNT existant ?", "Ouvrir un fichier MNT existant ?"}));
    EXPECT_TRUE(modals.boxes.isEmpty());
    Mnt back = {};
    d.litMnt(&back);
    EXPECT_EQ(back.fichier, nullptr);
}

TEST(MntDialog, ChosenFileIsHandedOverOnlyWhileSelected)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "terrain.txt", "0 1 2 3\n1 2 3 4\n2 3 4 5\n");
    Modals modals;
    const int before = openDescriptors();
    Mnt m = defaults();
    {
        MntDialog d(&m);
        modals.fileAnswers << path;
        click(&d, "radioButton_Fichier");
        EXPECT_EQ(child<QStackedWidget>(&d, "stackedWidget")->currentIndex(), 0);
        EXPECT_EQ(text(&d, "label_NomFichier"), "terrain.txt");
        EXPECT_EQ(openDescriptors(), before + 1);

        // back to the internal terrain: the abandoned file is closed
        click(&d, "radioButton_Interne");
        EXPECT_EQ(text(&d, "label_NomFichier"), "Inconnu");
        EXPECT_EQ(openDescriptors(), before);
        Mnt back = {};
        d.litMnt(&back);
        EXPECT_EQ(back.fichier, nullptr);

        modals.fileAnswers << path;
        click(&d, "radioButton_Fichier");
        d.litMnt(&back);
        ASSERT_NE(back.fichier, nullptr);
        // the terrain builder reads what the dialog handed over
        back.typeMNT = 0;
        EXPECT_EQ(new_mnt(&back), 0);
        EXPECT_EQ(back.nx, 4);
        EXPECT_EQ(back.ny, 3);
        libere_mnt(&back);
        fclose(back.fichier);
    }
    EXPECT_EQ(openDescriptors(), before);
}

TEST(MntDialog, CancellingTheDialogAfterChoosingAFileLeavesNoFile)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "terrain.txt", "0 1\n1 2\n");
    Modals modals;
    modals.onExec = [&](QDialog* d) {
        modals.fileAnswers << path;
        click(d, "radioButton_Fichier");
        setSpin(d, "doubleSpinBox_Xmax", 42.0);
        return int(QDialog::Rejected);
    };
    const int before = openDescriptors();
    Mnt m = defaults();
    EXPECT_FALSE(runMntDialog(nullptr, &m));
    EXPECT_EQ(m.fichier, nullptr);
    EXPECT_EQ(m.Xmax, 10.0);
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_EQ(modals.executed, QStringList("MntDialog"));
}

}  // namespace
