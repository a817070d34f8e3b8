// "Sauver scénario": the run as set in the window written as a scenario file,
// which kadmer-sim starts again from the same pose; a failed write is shown.
#include "support.h"

#include "app/scenario.h"
#include "rover/confrover.h"
#include "scenario/scenariofile.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>

#include "dem/rasters.h"
#include "dialogs/mntdialog.h"
#include "support/program.h"

#include <QRadioButton>

namespace {

// the trajectory line of a configuration, as the recording writes it
std::string ligne(ConfRover* cr, const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "w");
    ecrit_ligne_conf(f, cr);
    std::fclose(f);
    return slurp(path);
}

class SaveScenario : public MainWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(MainWindowTest::SetUp());
        save = actionNamed(k, QString::fromUtf8("Sauver scénario"));
        ASSERT_NE(save, nullptr);
    }
    QAction* save = nullptr;
    QTemporaryDir dir;
};

TEST_F(SaveScenario, WrittenRunStartsHeadlessFromTheSamePose)
{
    // drive a little in kinematic piloting, then switch and give commands
    k->scenario->vDes = 0.2;
    k->scenario->cDes = 0.3;
    for (int i = 0; i < 10; ++i)
        k->oneStepSlot();
    k->switchDynCinSlot();
    k->scenario->vDes = 0.05;
    k->scenario->cDes = -0.1;

    const std::string path = dir.filePath("run.json").toStdString();
    script.fileName = QString::fromStdString(path);
    save->trigger();
    EXPECT_TRUE(script.boxes.isEmpty()) << script.boxes.join("\n").toStdString();

    EXPECT_TRUE(terrainGenere(k->scenario->terrain));
    ScenarioFile s;
    ASSERT_EQ(litScenario(path, &s), "");
    const DynRover* d = k->scenario->dynRovers[0];
    EXPECT_TRUE(s.dynamique);
    EXPECT_EQ(s.v, 0.05);
    EXPECT_EQ(s.c, -0.1);
    EXPECT_EQ(s.periode, k->scenario->periodMs);
    EXPECT_EQ(s.graine, 1234567u);
    EXPECT_EQ(s.cellule, 0.25);
    EXPECT_EQ(s.forme, 1);
    EXPECT_FALSE(s.placer);
    EXPECT_EQ(s.kN, k->scenario->dynSol.kN);
    EXPECT_EQ(0, std::memcmp(s.donnees, &d->data, sizeof s.donnees));
    EXPECT_EQ(s.pose[1], d->conf.pos[1]);

    // kadmer-sim starts from the window's pose, to the printed digit
    const std::string traj = dir.filePath("traj.txt").toStdString();
    const ProgramRun r = runProgram(KADMER_SIM_PATH " --scenario " + path + " --duration 0 -o " + traj);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(traj), ligne(&k->scenario->dynRover.conf, dir.filePath("here.txt").toStdString()));
}

TEST_F(SaveScenario, AnImportedTerrainIsWrittenWithAWarning)
{
    // a grid that no generated shape gives, as an imported raster's
    Mnt* m = k->scenario->terrain;
    m->h[m->nx * m->ny / 2] += 0.5;
    EXPECT_FALSE(terrainGenere(m));
    script.fileName = dir.filePath("raster.json");
    save->trigger();
    ASSERT_EQ(script.boxes.size(), 1);
    EXPECT_TRUE(script.boxes[0].contains("terrain.raster")) << script.boxes[0].toStdString();
    EXPECT_TRUE(QFile::exists(script.fileName));
}

// the rover driven for a while in kinematic piloting: its last trajectory line
std::string roule(Kadmer* k, int ticks, const std::string& path)
{
    k->scenario->vDes = 0.2;
    k->scenario->cDes = 0.1;
    for (int i = 0; i < ticks; ++i)
        k->oneStepSlot();
    return ligne(&k->scenario->dynRover.conf, path);
}

TEST(SaveScenarioRaster, ARastersTerrainIsNamedAndKadmerSimDrivesOnIt)
{
    // a bumpy slope in UTM, chosen on the terrain dialog's file page with the
    // window it proposes; the other dialogs keep their defaults
    TempDir d;
    Raster r = rasterUtm(80, 80, 0.5);
    r.hauteur = [](int, int, double e, double n) {
        return 900.0 + 0.05 * (n - 4648980.0) + 0.2 * std::sin(0.7 * e) * std::cos(0.5 * n);
    };
    ASSERT_TRUE(r.ecrit(d / "site.tif"));
    ModalScript script;
    script.fileName = QString::fromStdString(d / "site.tif");
    script.exec = accepteMntFichier;
    std::unique_ptr<MainWindow> window = openMainWindow();
    Kadmer* k = window->kadmer;
    ASSERT_EQ(k->scenario->mnt.nx, 80);

    const std::string path = d / "run.json";
    script.fileName = QString::fromStdString(path);
    actionNamed(k, QString::fromUtf8("Sauver scénario"))->trigger();
    EXPECT_TRUE(script.boxes.isEmpty()) << script.boxes.join("\n").toStdString();
    ScenarioFile s;
    ASSERT_EQ(litScenario(path, &s), "");
    EXPECT_EQ(s.raster, d / "site.tif");
    EXPECT_TRUE(s.aFenetre);
    EXPECT_EQ(s.fenetre[2], 40.0);

    // kadmer-sim on the saved file drives the rover over the same heights:
    // the same line after the same ticks, to the printed digit
    const std::string traj = d / "traj.txt";
    const ProgramRun run = runProgram(KADMER_SIM_PATH " --scenario " + path +
                                      " --v 0.2 --c 0.1 --duration 0.8 -o " + traj);
    ASSERT_EQ(run.status, 0) << run.err;
    std::string lignes = slurp(traj);
    lignes.pop_back();
    EXPECT_EQ(lignes.substr(lignes.rfind('\n') + 1) + "\n", roule(k, 20, d / "here.txt"));

    // moved away since, the raster can no longer be named: the box says so
    std::remove((d / "site.tif").c_str());
    script.fileName = QString::fromStdString(d / "moved.json");
    actionNamed(k, QString::fromUtf8("Sauver scénario"))->trigger();
    ASSERT_EQ(script.boxes.size(), 1);
    EXPECT_TRUE(script.boxes[0].contains("terrain.raster")) << script.boxes[0].toStdString();
}

TEST_F(SaveScenario, CancelWritesNothingAndAFailedWriteIsShown)
{
    script.fileName = QString();
    save->trigger();
    EXPECT_TRUE(script.boxes.isEmpty());

    script.fileName = dir.filePath("no/such/folder/run.json");
    save->trigger();
    ASSERT_EQ(script.boxes.size(), 1);
    EXPECT_TRUE(script.boxes[0].startsWith(QString::fromUtf8("Sauver scénario|"))) << script.boxes[0].toStdString();
    EXPECT_TRUE(script.boxes[0].contains("fichier impossible a ecrire"));
}

}  // namespace
