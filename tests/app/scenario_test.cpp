// Scenario creation: the defaults when every dialog is cancelled, the rover
// standing on the ground, no geometry the dialog lets through that fails, an
// unreadable terrain file reported.
#include "support.h"

#include "scenario/scenariofile.h"
#include "app/langue.h"

#include "app/scenario.h"
#include "dialogs/geodialog.h"
#include "dialogs/mntdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QTranslator>
#include <QDoubleSpinBox>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
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

// whatever is typed into the geometry dialog, the rover it gives is built:
// a zero track and the inclinations where the legs do not close are out of
// the fields' ranges
TEST(NewScenario, GeometryDialogGivesOnlyRoversThatBuild)
{
    for (double voie : {0.0, 0.3})
        for (double incl : {44.67, 45.0, 60.0, 89.0, 99.99})
            for (bool quadri : {false, true}) {
                ModalScript script;
                script.exec = [&](QDialog* d) {
                    if (GeoDialog* g = qobject_cast<GeoDialog*>(d)) {
                        g->findChild<QDoubleSpinBox*>("doubleSpinBox_Voie")->setValue(voie);
                        g->findChild<QDoubleSpinBox*>("doubleSpinBox_Inclinaison")->setValue(incl);
                        g->findChild<QCheckBox*>("checkBox_FlagQuadri")->setChecked(quadri);
                        return int(QDialog::Accepted);
                    }
                    return int(QDialog::Rejected);
                };
                Owned owned(newScenario(nullptr), libereScenario);
                EXPECT_NE(owned.get(), nullptr) << voie << " " << incl << " " << quadri;
                EXPECT_TRUE(script.boxes.isEmpty()) << script.boxes.join("\n").toStdString();
            }
}

// a terrain file that cannot be read is replaced by the built-in terrain,
// and the user is told, with the reader's own words
TEST(NewScenario, UnreadableTerrainFileIsReportedWithItsFallback)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("mnt.txt");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("0 1 2\n3 4\n");
    f.close();
    ModalScript script;
    script.fileName = path;
    script.exec = [](QDialog* d) {
        if (MntDialog* m = qobject_cast<MntDialog*>(d)) {
            m->findChild<QRadioButton*>("radioButton_Fichier")->click();
            return int(QDialog::Accepted);
        }
        return int(QDialog::Rejected);
    };
    Owned owned(newScenario(nullptr), libereScenario);
    ASSERT_NE(owned.get(), nullptr);
    EXPECT_EQ(owned->mnt.nx, 81);  // the built-in grid, -10 to 10 m by 0.25 m
    EXPECT_EQ(script.boxes, QStringList("Terrain|Le fichier MNT n'a pas pu être lu :\n"
                                        "Nombre de colonnes non constant dans loada() !\n"
                                        "Le MNT interne des paramètres choisis le remplace."));
    // the run's terrain is the built-in one: a scenario saved from it names
    // no file, and says the generated terrain
    EXPECT_EQ(owned->mnt.fichier, nullptr);
    EXPECT_TRUE(terrainGenere(&owned->mnt));
    EXPECT_TRUE(scenarioDuModele(&owned->dynRover, 40, &owned->mnt, &owned->dynSol, nullptr,
                                 false, 0.0, 0.0)
                    .terrainFichier.empty());
}

// Qt's own buttons and file dialogs read French, as the program's texts do
TEST(QtTexts, StandardButtonsAndFileDialogsReadFrench)
{
    std::unique_ptr<QTranslator> t(traduitQt(qApp));
    ASSERT_NE(t, nullptr);
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Abort);
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setAcceptMode(QFileDialog::AcceptSave);
    QStringList texts;
    for (QAbstractButton* b : box.buttons() + files.findChild<QDialogButtonBox*>()->buttons())
        texts << b->text();
    EXPECT_EQ(texts, QStringList({"Abandonner", "&Oui", "&Non", "&Enregistrer", "Annuler"}));
    EXPECT_EQ(files.findChild<QLabel*>("lookInLabel")->text(), "Voir dans :");
}

}  // namespace
