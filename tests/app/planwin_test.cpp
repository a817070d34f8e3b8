// "Plan de marche": a scenario file's drive plan loaded in the window on the
// example terrain, drawn, driven to its end by PLAY, paused by the driver's
// keys and stopped by its fault protection with a box.
#include "support.h"

#include "app/scenario.h"
#include "dialogs/mntdialog.h"
#include "rover/confrover.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>

#include "support/plans.h"

namespace {

const QString Entree = QString::fromUtf8("Plan de marche");

// the window on the example terrain (its terrain dialog answered with the
// height matrix), the plans loaded through the entry's file dialog
class PlanWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        script.fileName = KADMER_EXAMPLES "/plan-incline.txt";
        script.exec = accepteMntFichier;
        window = openMainWindow();
        k = window->kadmer;
        ASSERT_EQ(k->scenario->mnt.zmax - k->scenario->mnt.zmin, 2.0);
        // a coarser tick keeps the drive short in wall-clock time
        k->scenario->periodMs = 500;
    }
    // loads the plan of that file; the boxes shown since
    QStringList charge(const std::string& path)
    {
        script.boxes.clear();
        script.fileName = QString::fromStdString(path);
        actionNamed(k, Entree)->trigger();
        return script.boxes;
    }
    // PLAY, then the ticks one by one until the run pauses or n are done
    int roule(int n)
    {
        if (k->paused)
            QTest::mouseClick(k->playButton, Qt::LeftButton);
        k->simTimer->stop();
        int i = 0;
        for (; i < n && !k->paused; ++i)
            k->oneStepSlot();
        return i;
    }
    const double* pos() const { return k->scenario->confRovers[0]->pos; }
    QString status() const { return k->statusLabel->text(); }

    ModalScript script;
    std::unique_ptr<MainWindow> window;
    Kadmer* k = nullptr;
    TempDir dir;
};

TEST_F(PlanWindow, EntryFollowsTheSavedScenarioAndARefusedFileChangesNothing)
{
    const QList<QAction*> a = k->actions();
    EXPECT_EQ(a[a.indexOf(k->planAction) - 1]->text(), QString::fromUtf8("Sauver scénario"));
    EXPECT_EQ(k->planAction->text(), Entree);
    const double x0 = pos()[0], y0 = pos()[1];
    const QString before = status();

    // one row per refused file: its text (none: no such file), the reason shown
    const struct {
        const char* nom;
        std::string texte;
        const char* raison;
    } refus[] = {
        {"sans.json", "{\"pilotage\": {\"v\": 0.1}}", "pilotage.plan"},
        {"mauvais.json", planScenario(TerrainPlat, "kin", 0, 0, 0, "{\"commandes\": [{\"saut\": 1}]}"),
         "pilotage.plan.commandes[0]"},
        {"loin.json",
         planScenario(TerrainPlat, "kin", 0, 0, 0,
                      "{\"commandes\": [{\"point\": {\"x\": 30, \"y\": 0, \"tolerance\": 1}}]}"),
         "pilotage.plan.commandes[0].point"},
        {"absent.json", "", "fichier illisible"},
    };
    for (const auto& r : refus) {
        if (!r.texte.empty())
            writeText(dir / r.nom, r.texte);
        const QStringList boxes = charge(dir / r.nom);
        ASSERT_EQ(boxes.size(), 1) << r.nom;
        EXPECT_TRUE(boxes[0].startsWith(Entree + "|Le plan de")) << boxes[0].toStdString();
        EXPECT_TRUE(boxes[0].contains(QString::fromUtf8("n'est pas chargé :\n"))) << r.nom;
        EXPECT_TRUE(boxes[0].section('\n', 1).contains(r.raison)) << boxes[0].toStdString();
    }
    EXPECT_EQ(k->plan, nullptr);
    EXPECT_EQ(k->scenario->planNbPoints, 0);
    EXPECT_EQ(pos()[0], x0);
    EXPECT_EQ(pos()[1], y0);
    EXPECT_EQ(status(), before);
}

TEST_F(PlanWindow, ExamplePlanIsDrawnAndDrivenToWhereItsPathEnds)
{
    ASSERT_TRUE(charge(KADMER_EXAMPLES "/plan.json").isEmpty());
    // from the file's start, the path and the keep-out circle are drawn
    EXPECT_NEAR(pos()[0], -6.0, 1e-9);
    EXPECT_NEAR(pos()[1], -6.0, 1e-9);
    const Scenario* s = k->scenario;
    ASSERT_GT(s->planNbPoints, 100);
    EXPECT_EQ(s->planNbZones, 1);
    ASSERT_EQ(s->planNbFins, 5);
    k->updateGL();
    EXPECT_NE(s->planList, 0);
    EXPECT_TRUE(status().startsWith(QString::fromUtf8("Plan chargé : 5 commande"))) << status().toStdString();

    ASSERT_EQ(roule(1), 1);
    EXPECT_EQ(status(), "Plan : commande 1/5 (droit)");
    roule(20000);
    EXPECT_EQ(k->paused, 1);
    EXPECT_TRUE(script.boxes.isEmpty()) << script.boxes.join("\n").toStdString();
    EXPECT_EQ(status(), QString::fromUtf8("Plan terminé : 5/5 commandes exécutées"));
    // the same executor on the same terrain and tick: it ends where planned
    EXPECT_NEAR(pos()[0], s->planFins[8], 1e-6);
    EXPECT_NEAR(pos()[1], s->planFins[9], 1e-6);
    EXPECT_EQ(s->vDes, 0.0);
}

TEST_F(PlanWindow, ADriversKeyTakesTheControlsAndPlayGivesThemBack)
{
    ASSERT_TRUE(charge(KADMER_EXAMPLES "/plan.json").isEmpty());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    roule(10);
    QTest::keyClick(k, Qt::Key_S, Qt::ShiftModifier);
    EXPECT_TRUE(status().startsWith(QString::fromUtf8("Plan suspendu à la commande 1/5 (droit)")))
        << status().toStdString();
    // the driver's stop holds: the rover stands while the run goes on
    const double y = pos()[1];
    EXPECT_EQ(roule(5), 5);
    EXPECT_EQ(pos()[1], y);
    // then the driver's own 20 cm
    QTest::keyClick(k, Qt::Key_Plus);
    EXPECT_EQ(roule(10), 10);
    const double conduit = pos()[1] - y;
    EXPECT_NEAR(conduit, 0.2, 1e-3);
    // PAUSE, then PLAY: the plan drives its 3 m, the driver's not counted
    QTest::mouseClick(k->playButton, Qt::LeftButton);
    EXPECT_TRUE(status().contains("PLAY pour reprendre")) << status().toStdString();
    ASSERT_EQ(roule(1), 1);
    EXPECT_EQ(status(), "Plan : commande 1/5 (droit)");
    for (int i = 0; i < 200 && status().contains("1/5"); ++i)
        k->oneStepSlot();
    EXPECT_EQ(status(), "Plan : commande 2/5 (arc)");
    EXPECT_NEAR(pos()[1], -3.0 + conduit, 0.03);
}

TEST_F(PlanWindow, AKeepOutZoneStopsADynamicDriveWithABox)
{
    k->scenario->periodMs = 40;
    k->switchDynCinSlot();
    ASSERT_TRUE(k->dynamic);
    writeText(dir / "zone.json",
              planScenario(TerrainPlat, "dyn", -6, -6, 0,
                           "{\"vitesse\": 0.05, \"commandes\": [{\"droit\": 2}, {\"cap\": 90}],"
                           " \"zones_interdites\": [{\"x\": -6, \"y\": -4, \"rayon\": 1.2}]}"));
    ASSERT_TRUE(charge(dir / "zone.json").isEmpty()) << script.boxes.join("\n").toStdString();
    roule(2000);
    ASSERT_EQ(script.boxes.size(), 1);
    EXPECT_TRUE(script.boxes[0].startsWith(Entree + "|")) << script.boxes[0].toStdString();
    EXPECT_TRUE(script.boxes[0].contains("commande 1 (droit)")) << script.boxes[0].toStdString();
    EXPECT_TRUE(script.boxes[0].contains("zone interdite 1")) << script.boxes[0].toStdString();
    EXPECT_EQ(status(), QString::fromUtf8("Plan arrêté à la commande 1/2 (droit) : protection"));
    EXPECT_EQ(k->paused, 1);
    EXPECT_LT(pos()[1], -4.0);
}

}  // namespace
