// Scenario creation through the real dialogs: their order, and every choice
// made in them reaching the scenario's records.
#include "app/scenario.h"

#include "dialogs/dialog_support.h"
#include "dialogs/geodialog.h"
#include "dialogs/mntdialog.h"
#include "dialogs/roverdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// the scenario of one test, released at its end
struct Created {
    explicit Created(Scenario* s) : s(s) {}
    ~Created()
    {
        if (!s)
            return;
        if (s->dynRover.fresults)
            fclose(s->dynRover.fresults);
        libereScenario(s);
    }
    Scenario* s;
};

const char* className(QDialog* d) { return d->metaObject()->className(); }

TEST(ScenarioDialogs, AcceptingEveryDialogOnItsDefaultsGivesTheDefaultScenario)
{
    Modals modals;
    Created cancelled(newScenario(nullptr));
    ASSERT_NE(cancelled.s, nullptr);
    EXPECT_EQ(modals.executed,
              QStringList({"GeoDialog", "RoverDialog", "MntDialog", "DynSolDialog"}));

    modals.executed.clear();
    modals.onExec = [](QDialog*) { return int(QDialog::Accepted); };
    Created accepted(newScenario(nullptr));
    ASSERT_NE(accepted.s, nullptr);
    EXPECT_EQ(modals.executed,
              QStringList({"GeoDialog", "RoverDialog", "MntDialog", "DynSolDialog"}));
    EXPECT_TRUE(modals.boxes.isEmpty());

    const Scenario& a = *accepted.s;
    const Scenario& c = *cancelled.s;
    EXPECT_EQ(a.dynRover.voie, 1.0);
    EXPECT_EQ(a.dynRover.inclinaison, 0.0);
    EXPECT_EQ(a.dynRover.quadri, 0);
    EXPECT_EQ(a.dynRover.testLibre, 0);
    EXPECT_EQ(a.dynRover.verbose, 0);
    EXPECT_EQ(a.dynRover.fresults, nullptr);
    EXPECT_EQ(a.dynRover.fdata, nullptr);
    EXPECT_EQ(a.periodMs, 40);

    // the dynamic data differ only by the rear stops' lost decimals
    DataDynRov expect = c.dynRover.data;
    expect.kpTravR = std::round(expect.kpTravR);
    expect.kvTravR = std::round(expect.kvTravR);
    EXPECT_EQ(memcmp(&a.dynRover.data, &expect, sizeof expect), 0);

    // the same generated terrain, node for node
    EXPECT_EQ(a.mnt.fichier, nullptr);
    EXPECT_EQ(a.mnt.typeMNT, 1);
    EXPECT_EQ(a.mnt.typeDyn, 0);
    ASSERT_EQ(a.mnt.nx, 81);
    ASSERT_EQ(a.mnt.ny, 81);
    EXPECT_EQ(memcmp(a.mnt.h, c.mnt.h, 81 * 81 * sizeof(double)), 0);

    // the simplified soil, to the two decimals of its dialog
    EXPECT_EQ(a.mnt.sol, &a.dynSol);
    EXPECT_EQ(a.zones, nullptr);
    EXPECT_DOUBLE_EQ(a.dynSol.kN, 13080.0);
    EXPECT_DOUBLE_EQ(a.dynSol.fN, 835.22);
    EXPECT_DOUBLE_EQ(a.dynSol.kT, 57.74);
    EXPECT_DOUBLE_EQ(a.dynSol.tanPhi0, c.dynSol.tanPhi0);
}

TEST(ScenarioDialogs, MacroModelOpensTheMacroSoilDialogAndItsZones)
{
    Modals modals;
    modals.onExec = [](QDialog* d) {
        if (!strcmp(className(d), "MntDialog"))
            child<QComboBox>(d, "comboBox_TypeDyn")->setCurrentIndex(1);
        if (!strcmp(className(d), "MacroSolDialog"))
            click(d, "pushButton_EditDatadyn");
        if (!strcmp(className(d), "BacSableDialog")) {
            click(d, "pushButton_add");
            setSpin(d, "DoubleSpinBox_cercleR", 2.5);
            child<QSpinBox>(d, "SpinBox_hzone")->setValue(3);
            click(d, "pushButton_valide");
        }
        return int(QDialog::Accepted);
    };
    Created created(newScenario(nullptr));
    ASSERT_NE(created.s, nullptr);
    EXPECT_EQ(modals.executed, QStringList({"GeoDialog", "RoverDialog", "MntDialog",
                                            "MacroSolDialog", "BacSableDialog"}));
    const Scenario& s = *created.s;
    EXPECT_EQ(s.mnt.typeDyn, 1);
    ASSERT_NE(s.zones, nullptr);
    EXPECT_EQ(s.mnt.sol, s.zones);
    ASSERT_EQ(s.zones->nbZones, 2);
    const ZoneSol* added = s.zones->premiere->suivante;
    EXPECT_EQ(added->R, 2.5);
    EXPECT_EQ(added->hzone, 3);
    EXPECT_STREQ(added->nom, "Zone 3");  // renamed when copied into the scenario
}

TEST(ScenarioDialogs, TerrainFileChosenInTheDialogIsTheTerrainBuilt)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "terrain.txt", "0 1.5 2 3\n1 2 3 4\n2 3 4 5\n");
    Modals modals;
    modals.onExec = [&](QDialog* d) {
        if (!strcmp(className(d), "MntDialog")) {
            modals.fileAnswers << path;
            click(d, "radioButton_Fichier");
            setSpin(d, "doubleSpinBox_hBosses", 0.0);
        }
        return int(QDialog::Accepted);
    };
    Created created(newScenario(nullptr));
    ASSERT_NE(created.s, nullptr);
    const Mnt& m = created.s->mnt;
    EXPECT_NE(m.fichier, nullptr);
    ASSERT_EQ(m.nx, 4);
    ASSERT_EQ(m.ny, 3);
    EXPECT_DOUBLE_EQ(m.dx, 20.0 / 3.0);
    EXPECT_DOUBLE_EQ(m.dy, 10.0);
    // the second value of the first line is the node at (Xmin + dx, Ymin)
    EXPECT_EQ(m.h[1 * m.ny + 0], 1.5);
}

TEST(ScenarioDialogs, RoverChoicesReachTheDynamicModel)
{
    QTemporaryDir dir;
    // dynamic data of a rover under a lower gravity
    DynRover* model = static_cast<DynRover*>(calloc(1, sizeof(DynRover)));
    model->voie = 1.5;
    dyn_defaults(model);
    model->data.g = 3.71;
    const QString data = dir.filePath("mars.txt");
    saveDatadynrov(&model->data, fopen(data.toLocal8Bit().constData(), "w"));
    free(model);
    const QString trace = dir.filePath("trace.txt");

    Modals modals;
    modals.onExec = [&](QDialog* d) {
        if (!strcmp(className(d), "GeoDialog")) {
            setSpin(d, "doubleSpinBox_Voie", 1.5);
            child<QCheckBox>(d, "checkBox_FlagQuadri")->setChecked(false);
        }
        if (!strcmp(className(d), "RoverDialog")) {
            modals.fileAnswers << data;
            click(d, "radioButton_DynFichier");
            modals.fileAnswers << trace;
            child<QCheckBox>(d, "checkBox_Flogout")->setChecked(true);
            child<QSpinBox>(d, "spinBox_ndebug")->setValue(40);  // prints the constants
            child<QSpinBox>(d, "spinBox_dtime")->setValue(100);
            child<QCheckBox>(d, "checkBox_TestLibre")->setChecked(false);
        }
        return int(QDialog::Accepted);
    };
    Created created(newScenario(nullptr));
    ASSERT_NE(created.s, nullptr);
    EXPECT_TRUE(modals.boxes.isEmpty()) << qPrintable(modals.boxes.join("\n"));
    const Scenario& s = *created.s;
    EXPECT_EQ(s.dynRover.voie, 1.5);
    EXPECT_DOUBLE_EQ(s.dynRover.conf.rayonRoue, 0.15 * 1.5);
    EXPECT_EQ(s.periodMs, 100);
    EXPECT_EQ(s.dynRover.testLibre, 1);
    EXPECT_EQ(s.dynRover.verbose, 40);
    EXPECT_NE(s.dynRover.fdata, nullptr);
    EXPECT_EQ(s.dynRover.data.g, 3.71);
    // the soil takes the gravity of the data read: 40/3 kg sinking 0.01 m
    EXPECT_DOUBLE_EQ(s.dynSol.kN, std::round(13.333333333333334 * 3.71 / 0.01 * 100) / 100);
    // the constants were printed to the results file chosen in the dialog
    ASSERT_NE(s.dynRover.fresults, nullptr);
    fflush(s.dynRover.fresults);
    EXPECT_TRUE(readFile(trace).contains("PARAMETRES CONSTANTS"));
}

}  // namespace
